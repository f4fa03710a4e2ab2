#pragma once
// A table of parameter cells, rows x columns, with one descriptor per column
// and a four-character type code. Rows are instruments (one row for
// settings sets); columns are parameters. One part of a type owns the set,
// every other part of that type shares it.
//
// A row is saved and restored as a set chunk of little-endian 32-bit words:
//   0 type code, 1 byte length (header included), 2 header value (negative
//   written as 0), then one entry per column by kind:
//   Text, Options: a word L (text + ending zero, rounded up to 4), L bytes
//   FloatArray:    a word n, n IEEE single floats
//   Placeholder:   nothing
//   other kinds:   one word, the integer value
//
// Row arguments outside 0..rows-1 make an operation do nothing and answer 0,
// false or an empty text; columns are clamped into 0..columns-1. Chunk
// operations clamp the row.
//
// Threads: the set has no lock. The value operations neither allocate nor
// lock. Callers serialise writes to a row, and text reads and writes, under
// the owning part's parameter lock (Part_c does so). The read lock is a flag
// the chunk loader sets while the audio side must not see a half-read row.
#include "framework/model/ParamDesc.h"
#include "framework/model/Parameter_c.h"
#include "framework/model/SetTypeId.h"
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class ParaSet_c {
public:
    // The longest text a chunk holds; a longer text is written empty, never cut.
    static constexpr size_t kMaxChunkText = 319;
    static constexpr size_t kChunkHeaderSize = 12;

    // Allocation failure leaves the set not valid; every row operation then
    // does nothing.
    ParaSet_c(SetTypeId id, int rows, int columns);
    virtual ~ParaSet_c();
    ParaSet_c(const ParaSet_c&) = delete;
    ParaSet_c& operator=(const ParaSet_c&) = delete;

    bool isValid() const { return valid_; }
    SetTypeId typeId() const { return typeId_; }
    int rows() const { return rows_; }
    int columns() const { return columns_; }
    int32_t headerValue() const { return header_; }

    // Cell at (row, column), null when either is outside the set (no clamping).
    Parameter_c* cell(int row, int column);
    const Parameter_c* cell(int row, int column) const;
    // Row 0's cell of a column, bound to the column descriptor: definers use it.
    Parameter_c* columnDefinition(int column) { return cell(0, column); }

    virtual void resetRow(int row);
    // Resets rows first..end-1 to their defaults; nothing while read-locked.
    virtual void resetRows(int first, int end);
    virtual void resetAll();
    virtual void setHeaderValue(int32_t v) { header_ = v; }
    // Row 0 into every other row, each row with its own storage; sets defined.
    virtual void copyRowZeroToAll();
    virtual bool isDefined() const { return defined_; }
    virtual bool isRowValid(int row) const { return valid_ && row >= 0 && row < rows_; }

    virtual void setNormalized(int row, int column, float x);
    virtual float getNormalized(int row, int column) const;
    virtual void setValue(int row, int column, int32_t v);
    virtual bool setMax(int row, int column, int32_t v);
    virtual bool setMin(int row, int column, int32_t v);
    // Change the descriptor the cell at (row, column) uses; every cell of the
    // column that uses the same descriptor keeps its value and gets its
    // normalised position recomputed. False outside the set.
    bool setCurve(int row, int column, float curve);
    bool setMaxInfinite(int row, int column, bool on);
    virtual float getDisplayValue(int row, int column) const;
    virtual int32_t getValue(int row, int column) const;
    virtual void setBool(int row, int column, bool on);
    virtual bool getBool(int row, int column) const;
    virtual float normalizedDefault(int row, int column) const;
    virtual int32_t findOption(int row, int column, std::string_view text) const;
    virtual float getGain(int row, int column) const;
    virtual void setText(int row, int column, std::string_view text);
    virtual void getText(int row, int column, char* buffer, size_t size) const;
    virtual void getTextString(int row, int column, std::string& out) const;
    virtual float getStepSize(int column, int direction) const; // row 0
    virtual void getUnit(int row, int column, char* buffer, size_t size) const;
    virtual void getValueText(int row, int column, char* buffer, size_t size) const;
    virtual void getName(int row, int column, char* buffer, size_t size) const;
    // First cell of the row, or null.
    virtual Parameter_c* getRowParameters(int row);

    // Upper bound of the bytes writeChunk writes for the row (a placeholder
    // counts 4 it does not write); 0 without cells.
    virtual size_t getChunkSize(int row) const;
    // Writes the row; answers the bytes written, or 0 when the buffer is
    // missing, the set not valid, or the row does not fit in capacity.
    virtual size_t writeChunk(uint8_t* buffer, size_t capacity, int row) const;
    // Reads a row written by writeChunk, tolerantly: columns are read while
    // their first word lies inside length and each column reached is reset
    // first; later columns keep their values; extra entries are ignored.
    // Lengths in the bytes are never trusted: what fits is applied and the
    // walk stops at the first entry that does not fit. Answers length (0
    // without cells); while read-locked nothing changes.
    virtual size_t readChunk(const uint8_t* buffer, size_t length, int row);
    virtual void lockReads(bool on) { readLocked_.store(on, std::memory_order_release); }
    bool isReadLocked() const { return readLocked_.load(std::memory_order_acquire); }

private:
    Parameter_c* clampedCell(int row, int column);
    const Parameter_c* clampedCell(int row, int column) const;
    int clampRow(int row) const;
    // Refreshes the derived values of every cell of the column bound to desc.
    void refreshColumn(int column, const ParamDesc* desc);

    Parameter_c* cells_ = nullptr; // rows x columns, row-major, owned
    ParamDesc* descriptors_ = nullptr; // one per column, owned
    bool valid_ = false;
    bool defined_ = false;
    std::atomic<bool> readLocked_{false};
    SetTypeId typeId_;
    int columns_;
    int32_t header_ = -1;
    int rows_;
};

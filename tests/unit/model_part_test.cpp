// The part tree: fan-out to children, the definer rule, note-on state,
// scaling, notification, and text access serialised by the parameter lock.
#include "framework/model/NoteC_c.h"
#include "framework/model/PartContext.h"
#include "framework/model/PartValueListener.h"
#include "framework/model/Part_c.h"
#include <gtest/gtest.h>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// A module with a per-instrument set of two columns, counting what reaches it.
class Probe : public Part_c {
public:
    void defineParameters(ParaSet_c*& shared, int rows) override {
        if (!adoptSet(shared, rows, 3))
            return;
        ++definitions;
        set()->columnDefinition(0)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
        set()->columnDefinition(1)->defineText("Path", true, true, "");
        set()->columnDefinition(2)->defineNumber("Cutoff", "", 0.0f, 0, 127, 0, 64);
        set()->copyRowZeroToAll();
    }
    SetTypeId getTypeId() const override { return makeSetTypeId("PRBE"); }
    void parameterChanged(int row, int column) override {
        changes.push_back({row, column});
        Part_c::parameterChanged(row, column);
    }
    int noteEvent(int row, Note_c note, bool reused, bool legato) override {
        ++noteOns;
        return Part_c::noteEvent(row, note, reused, legato);
    }
    void noteOff(int row, Note_c note) override {
        ++noteOffs;
        Part_c::noteOff(row, note);
    }
    void kill() override {
        ++kills;
        Part_c::kill();
    }
    void reset() override {
        ++resets;
        Part_c::reset();
    }
    void onStart() override { ++starts; }

    int definitions = 0, noteOns = 0, noteOffs = 0, kills = 0, resets = 0, starts = 0;
    std::vector<std::pair<int, int>> changes;
};

struct Context : PartContext {
    void notifyLinkedParts(Part_c&, int row, int column) override { linked.push_back({row, column}); }
    void routePart(Part_c&, int row) override { routed.push_back(row); }
    std::vector<std::pair<int, int>> linked;
    std::vector<int> routed;
};

struct Listener : PartValueListener {
    void partValue(int row, int tag, float normalized) override { got.push_back({row, tag, normalized}); }
    struct Value { int row, tag; float normalized; };
    std::vector<Value> got;
};

} // namespace

TEST(ModelPart, ChildrenFanOutAndInactiveChildrenMissOnlyNotes) {
    Part_c root;
    Probe a, b;
    root.setChild(0, &a);
    root.setChild(70, &b); // clamped to the last slot
    EXPECT_EQ(root.childCount(), 64);
    EXPECT_EQ(root.child(63), &b);
    EXPECT_EQ(root.child(64), nullptr);
    ParaSet_c* shared = nullptr;
    a.defineParameters(shared, 4);
    b.defineParameters(shared, 4);

    b.deactivate();
    root.setSampleRate(48000.0f);
    root.start();
    root.reset();
    root.noteOn(1, Note_c(60, 100), false, false);
    root.noteOff(1, Note_c(60, 0));
    root.kill();
    EXPECT_EQ(b.sampleRate(), 48000.0f);
    EXPECT_FLOAT_EQ(b.inverseSampleRate(), 1.0f / 48000.0f);
    EXPECT_TRUE(b.isPublished());
    EXPECT_EQ(b.starts, 1);
    EXPECT_EQ(b.resets, 1);
    EXPECT_EQ(b.noteOns + b.noteOffs + b.kills, 0);
    EXPECT_EQ(a.noteOns, 1);
    EXPECT_EQ(a.noteOffs, 1);
    EXPECT_EQ(a.kills, 1);

    // A whole-row change reaches every child as column -1.
    root.rowChanged(2);
    ASSERT_FALSE(b.changes.empty());
    EXPECT_EQ(b.changes.back(), std::make_pair(2, -1));

    Part_c zero;
    zero.setSampleRate(0.0f);
    EXPECT_EQ(zero.inverseSampleRate(), 1e9f);
}

TEST(ModelPart, TheFirstPartOfATypeOwnsTheSetAndDefinesItOnce) {
    ParaSet_c* shared = nullptr;
    auto* first = new Probe;
    Probe second;
    first->defineParameters(shared, 8);
    second.defineParameters(shared, 8);
    EXPECT_TRUE(first->ownsSet());
    EXPECT_FALSE(second.ownsSet());
    EXPECT_EQ(first->definitions + second.definitions, 1);
    EXPECT_EQ(second.set(), shared);
    EXPECT_EQ(shared->typeId(), makeSetTypeId("PRBE"));
    EXPECT_EQ(second.getValue(7, 2), 64);
    char id[5];
    second.typeIdText(id);
    EXPECT_STREQ(id, "PRBE");

    // Writes notify; range changes do not.
    second.setValue(3, 2, 100);
    second.setNormalized(3, 2, 1.0f);
    second.setBool(3, 2, false);
    second.setText(3, 1, "/x/y.tun");
    EXPECT_EQ(second.changes.size(), 4u);
    EXPECT_TRUE(second.setMax(3, 2, 90));
    EXPECT_EQ(second.changes.size(), 4u);
    char shown[32];
    second.getValueText(3, 1, shown, sizeof shown);
    EXPECT_STREQ(shown, "y");
    EXPECT_FLOAT_EQ(second.normalizedFromValue(0, 2, 127), 1.0f);
    EXPECT_EQ(second.getRowParameters(0, 3), nullptr); // no column 3
    EXPECT_EQ(second.getRowParameters(8, 0), nullptr);
    EXPECT_EQ(second.getRowParameters(7, 2), shared->cell(7, 2));

    // resetRows resets and notifies each row.
    second.changes.clear();
    second.resetRows(3, 5);
    EXPECT_EQ(second.getValue(3, 2), 64);
    EXPECT_EQ(second.changes.size(), 2u);

    // Chunks go through the part.
    std::vector<uint8_t> chunk(second.getChunkSize(3));
    chunk.resize(second.writeChunk(3, chunk.data(), chunk.size()));
    second.setValue(3, 2, 1);
    second.lockChunkReads(true);
    second.readChunk(chunk.data(), chunk.size(), 3);
    EXPECT_EQ(second.getValue(3, 2), 1);
    second.lockChunkReads(false);
    second.readChunk(chunk.data(), chunk.size(), 3);
    EXPECT_EQ(second.getValue(3, 2), 64);

    Listener listener;
    second.sendValue(3, -1, 2, &listener, 11);
    second.sendValue(3, 1, 2, &listener, 12); // filtered out
    second.sendValue(3, 2, 2, &listener, 13);
    ASSERT_EQ(listener.got.size(), 2u);
    EXPECT_EQ(listener.got[1].tag, 13);
    EXPECT_FLOAT_EQ(listener.got[1].normalized, 64.0f / 90.0f); // row 3's own range

    delete first; // the owner deletes the set
}

TEST(ModelPart, NoteOnStateAndScaling) {
    Context context;
    Probe part;
    part.attach(&context, nullptr);
    Probe bare;
    EXPECT_EQ(bare.noteEvent(3, Note_c(60, 100), false, false), 0);
    EXPECT_EQ(bare.currentRow(), -1);

    ParaSet_c* shared = nullptr;
    part.defineParameters(shared, 440);
    part.setRoutingRequest(true);
    part.noteOn(500, Note_c(200, 0), false, false);
    EXPECT_EQ(part.currentRow(), 439);
    EXPECT_EQ(part.lastNote().key, 127);
    EXPECT_EQ(part.lastNote().velocity, 1);
    EXPECT_EQ(part.currentCells(), shared->cell(439, 0));
    ASSERT_EQ(context.routed.size(), 1u);
    EXPECT_EQ(context.routed[0], 439);
    part.bindOutputForRow(2, nullptr, 5);
    EXPECT_FALSE(part.isBound());
    part.bindOutputForRow(439, nullptr, 5);
    EXPECT_TRUE(part.isBound());
    EXPECT_EQ(part.outputChannel(), 5);
    part.noteOn(1, Note_c(72, 64), false, false);
    EXPECT_EQ(context.routed.size(), 1u); // bound: no more routing
    EXPECT_NEAR(part.keyFactor(), 12.0f / 96.0f, 1e-6f);
    EXPECT_NEAR(part.applyKeyScaling(1.0f, 1.0f), 2.0f, 1e-5f); // one octave, amount 1

    EXPECT_NEAR(velocityFactorOf(0.0), 0.25, 0.002);
    EXPECT_NEAR(velocityFactorOf(63.5), 1.0, 1e-4);
    EXPECT_NEAR(velocityFactorOf(127.0), 4.0, 0.03);
    part.noteOn(1, Note_c(60, 127), false, false);
    const float vf = part.velocityFactor();
    EXPECT_EQ(part.applyVelocityScaling(0.5f, 0.0f), 0.5f);
    EXPECT_FLOAT_EQ(part.applyVelocityScaling(1.0f, -1.0f), 1.0f / vf);
    EXPECT_FLOAT_EQ(part.applyVelocityScaling(1.0f, 1.0f), vf);
    EXPECT_EQ(part.applyVelocityScaling(-3.0f, 1.0f), 0.0f);

    part.setReferenceKey(10);
    EXPECT_EQ(part.referenceKey(), 24);
    part.setReferenceKey(200);
    EXPECT_EQ(part.referenceKey(), 96);
    part.setTempo(5.0f);
    part.setTempo(120.005f);
    EXPECT_EQ(part.tempo(), 120.0f);
    part.setTempo(140.0f);
    EXPECT_EQ(part.tempo(), 140.0f);
    EXPECT_TRUE(part.isPublished());

    // A published part tells the plug-in about changes.
    part.setValue(0, 2, 3);
    ASSERT_FALSE(context.linked.empty());
    EXPECT_EQ(context.linked.back(), std::make_pair(0, 2));
}

TEST(ModelPart, NotesClampAndCompare) {
    Note_c n(-4, 300);
    EXPECT_FALSE(n.isValid());
    n.clampNoteOn();
    EXPECT_EQ(n.key, 0);
    EXPECT_EQ(n.velocity, 127);
    n.set(64, 0);
    EXPECT_TRUE(n.isValid());
    EXPECT_FALSE(n.isValidNoteOn());
    n.clear();
    EXPECT_EQ(n.key, -1);
    NoteC_c c(300, -5, 20);
    EXPECT_EQ(c.key, 127);
    EXPECT_EQ(c.velocity, 0);
    EXPECT_EQ(c.channel, 15);
    c.clear();
    EXPECT_EQ(c.channel, -1);
    c.set(60, 100);
    EXPECT_FALSE(c.isValid()); // the channel takes part
    c.clampNoteOn();
    EXPECT_TRUE(c.isValidNoteOn());
}

// A writer replaces a text cell while readers copy it through the part:
// every read sees one whole text (ASan/TSan builds catch any freed read).
TEST(ModelPart, TextReadsAndWritesAreSerialised) {
    Probe part;
    ParaSet_c* shared = nullptr;
    part.defineParameters(shared, 2);
    const std::string a(200, 'a'), b(300, 'b');
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t)
        readers.emplace_back([&] {
            std::string s;
            char buffer[400];
            while (!stop.load()) {
                part.getTextString(1, 1, s);
                part.getText(1, 1, buffer, sizeof buffer);
                if (!(s.empty() || s == a || s == b) || !(buffer[0] == 0 || buffer == a || buffer == b))
                    ++torn;
            }
        });
    for (int i = 0; i < 20000; ++i)
        part.setText(1, 1, (i & 1) ? a : b);
    stop = true;
    for (auto& r : readers)
        r.join();
    EXPECT_EQ(torn.load(), 0);
}

#pragma once
// What the settings and file services ask of the plug-in base that owns
// them (the Synth implements it). Called on the thread that runs the
// service: the editor's or where parameters change, never the audio thread.
#include <string>

class ModuleManager_c;
class Part_c;

class SynthServices {
public:
    // The product name ("Kelvanti"); empty when unknown.
    virtual std::string productName() const = 0;
    // The module manager that loads and saves module files.
    virtual ModuleManager_c* moduleManager() = 0;
    // Holds the processing of the row's instrument and prepares the row to
    // be replaced; false (nothing held) when the row has no instrument.
    virtual bool beginRowLoad(Part_c& part, int row) = 0;
    // The row was replaced: tells the plug-in and resumes processing.
    virtual void endRowLoad(Part_c& part, int row) = 0;
    // The row was replaced outside a load (paste): tells the plug-in.
    virtual void rowReplaced(Part_c& part, int row) = 0;
    // Refreshes what the editor shows of the part.
    virtual void refreshPartDisplay(Part_c& part, int row) = 0;
    // Seeds the folder a module's first file dialog opens in (before the
    // dialog runs); nothing by default.
    virtual void moduleFilePath(const char* /*moduleName*/) {}

protected:
    ~SynthServices() = default;
};

#pragma once
// Scripted answers for questions and file dialogs, installed for the life of
// the object, with the calling thread registered as the editor's.
#include "framework/platform/EditorThread.h"
#include "os/Dialogs.h"

#include <deque>
#include <string>
#include <vector>

class ScriptedDialogs : public os::DialogBackend {
public:
    ScriptedDialogs() {
        os::setDialogBackendForTesting(this);
        setEditorThread(this);
    }
    ~ScriptedDialogs() override {
        clearEditorThread(this);
        os::setDialogBackendForTesting(nullptr);
    }
    void showError(const os::DialogRequest& r) override { asked.push_back(r); }
    bool askYesNo(const os::DialogRequest& r) override {
        asked.push_back(r);
        if (answers.empty())
            return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    bool choosePath(const os::DialogRequest& r, std::string& path) override {
        asked.push_back(r);
        if (paths.empty())
            return false;
        path = paths.front();
        paths.pop_front();
        return !path.empty();
    }

    std::deque<bool> answers;
    std::deque<std::string> paths;
    std::vector<os::DialogRequest> asked;
};

#pragma once
// The backend of the command-line tool: status texts and progress go to
// stderr, message boxes are printed, and dialogs are answered from options.
// Boxes and dialogs of a job are printed and answered by the tool's own
// thread while it waits for the job (see MemoryPlatform).
#include <cstdio>

#include "platform/memoryPlatform.h"

class ConsolePlatform : public MemoryPlatform {
public:
    explicit ConsolePlatform(FILE* out = stderr) : out_(out) {}
    // The job thread prints through this object's members: end it first.
    ~ConsolePlatform() override { waitJob(); }
    // The folder the folder browser and the save dialog return; empty
    // answers "cancel".
    void setDestination(const std::string& path) { dest_ = path; }

    // Files the jobs wrote, in order (from the "Written" status texts).
    std::vector<std::string> written;

protected:
    bool showFolderDialog(const std::string& title, std::string* path) override;
    bool showSaveDialog(const std::string& title, const std::vector<std::string>& filter,
                        const std::string& defExt, std::string* path) override;
    bool showOpenDialog(const std::string& title, const std::vector<std::string>& filter,
                        std::string* path) override;
    void onStatus(int part, const std::string& text) override;
    void onProgress(const std::string& bar, int pos) override;
    void onMessageBox(const MessageBoxCall& box) override;

private:
    FILE* out_;
    std::string dest_;
    std::string part0_;
    std::string lastLine_;
    int lastProgress_ = -1;
};

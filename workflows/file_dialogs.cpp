#include "workflows/file_dialogs.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "engine/gpg_runner.h"
#include "platform/platform.h"

const ui::FileFilter kKeyFileFilters[2] = {{"gpg Files(*.gpg)", "*.gpg"},
                                           {"All Files(*.*)", "*.*"}};
const ui::FileFilter kReceivedKeyFileFilters[3] = {
    {"gpg Files(*.gpg)", "*.gpg"}, {"asc Files(*.asc)", "*.asc"}, {"All Files(*.*)", "*.*"}};
const ui::FileFilter kSignatureFileFilters[2] = {{"sig Files(*.sig)", "*.sig"},
                                                 {"All Files(*.*)", "*.*"}};
const ui::FileFilter kAllFileFilters[1] = {{"All Files(*.*)", "*.*"}};

namespace {

constexpr int kTextSize = 260;

bool SameFile(const platform::FileStamp& a, const platform::FileStamp& b) {
    return a.exists && b.exists && a.identity.volume == b.identity.volume &&
           a.identity.index == b.identity.index;
}

// 29 when `output` names the same file as one of the program's own.
ResultCode CheckOutputIsNotProgramFile(const KeyPaths& keyPaths, const char* output) {
    platform::FileStamp target = platform::StampFile(output);
    if (!target.exists) {
        return rc::kOk;
    }
    static const char* const kSettings[] = {"conf", "Quillet.ini"};
    static const char* const kGpg[] = {"bin", "gpg.exe"};
    char settings[platform::kMaxPath] = "";
    char gpg[platform::kMaxPath] = "";
    char program[platform::kMaxPath] = "";
    BuildProgramFolderPath(settings, sizeof settings, kSettings, 2);
    BuildProgramFolderPath(gpg, sizeof gpg, kGpg, 2);
    platform::GetProgramPath(program, sizeof program);
    for (const char* own :
         {keyPaths.secretKeyring, keyPaths.publicKeyring, static_cast<const char*>(settings),
          static_cast<const char*>(gpg), static_cast<const char*>(program)}) {
        if (own[0] != '\0' && SameFile(target, platform::StampFile(own))) {
            return rc::kBadFileChoice;
        }
    }
    return rc::kOk;
}

}  // namespace

ResultCode AskFor(ui::Window owner, const FileQuestion& question, char* name) {
    char title[kTextSize] = "";
    if (question.titleId != 0) {
        platform::LoadText(question.titleId, title, sizeof title);
    }
    char folder[platform::kMaxPath] = "";
    bool haveFolder = question.inPubkeyFolder && GetPubkeyFolder(folder);
    ui::FileDialogRequest request{owner,
                                  question.kind,
                                  question.titleId != 0 ? title : nullptr,
                                  question.filters,
                                  question.filterCount,
                                  name,
                                  haveFolder ? folder : nullptr,
                                  question.options,
                                  question.defaultExtension};
    int asked = ui::AskFileName(request);
    if (asked == ui::kNameNotInCodePage) {
        return rc::kNameNotInCodePage;
    }
    return asked == 0 ? rc::kOk : rc::kCancelled;
}

ResultCode TakeInputFile(ui::Window owner, const FileQuestion& question, const char* droppedFile,
                         bool mustBeReadable, char* input) {
    if (droppedFile == nullptr) {
        input[0] = '\0';
        return AskFor(owner, question, input);
    }
    if (mustBeReadable && !platform::CanOpenForSharedReading(droppedFile)) {
        return rc::kInputOpen;
    }
    std::snprintf(input, platform::kMaxPath, "%s", droppedFile);
    return rc::kOk;
}

void ProposeWithExtension(const char* input, const char* extension, char* proposal) {
    std::size_t length = std::strlen(input);
    proposal[0] = '\0';
    if (length < 256) {
        std::memcpy(proposal, input, length);
        std::memcpy(proposal + length, extension, std::strlen(extension) + 1);
    }
}

bool GetPubkeyFolder(char* buffer) {
    static const char* const kParts[] = {"pubkey", ""};
    return BuildProgramFolderPath(buffer, platform::kMaxPath, kParts, 2);
}

ResultCode AskForOutput(ui::Window owner, const FileQuestion& question, const KeyPaths& keyPaths,
                        char* name) {
    ResultCode asked = AskFor(owner, question, name);
    if (asked != rc::kOk) {
        return asked;
    }
    return CheckOutputIsNotProgramFile(keyPaths, name);
}

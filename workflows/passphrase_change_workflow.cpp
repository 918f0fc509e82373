#include "workflows/passphrase_change_workflow.h"

#include <cstring>

#include "engine/passphrase_change.h"
#include "platform/platform.h"
#include "shell/app_state.h"
#include "shell/status_text.h"

namespace {

constexpr int kPromptSize = 260;
constexpr int kPassphraseChangedText = 100;

struct Prompt {
    int captionId;
    int promptId;
};
constexpr Prompt kCurrent{32, 33};
constexpr Prompt kNew{34, 35};
constexpr Prompt kRepeated{36, 37};

bool Ask(const Prompt& prompt, char* output) {
    char caption[kPromptSize];
    char text[kPromptSize];
    platform::LoadText(prompt.captionId, caption, sizeof caption);
    platform::LoadText(prompt.promptId, text, sizeof text);
    return ui::PromptPassphrase(gAppState.mainWindow, output, kPromptSize, text, caption) == 1;
}

// The three entries; they are wiped whatever way the change ends.
struct Entries {
    char current[kPromptSize];
    char changed[kPromptSize];
    char repeated[kPromptSize];
    ~Entries() { platform::WipeMemory(this, sizeof *this); }
};

}  // namespace

ResultCode PassphraseChangeWorkflow() {
    Entries entries{};
    if (!Ask(kCurrent, entries.current) || !Ask(kNew, entries.changed) ||
        !Ask(kRepeated, entries.repeated)) {
        return rc::kCancelled;
    }
    if (std::strcmp(entries.changed, entries.repeated) != 0) {
        return rc::kPassphraseMismatch;
    }
    // GnuPG judges the current passphrase; the change refuses one that is too
    // short (17), or too long for the cached slot or holding a line break
    // (16), before GnuPG runs.
    KeyPaths& keys = gAppState.work.keyPaths;
    ResultCode result = ChangePassphrase(keys.homeDir, keys.secretKeyring, keys.publicKeyring,
                                         entries.current, entries.changed);
    if (result != rc::kOk) {
        return result;
    }
    // Nothing of the old passphrase may stay behind a shorter new one.
    platform::WipeMemory(keys.passphrase, sizeof keys.passphrase);
    std::memcpy(keys.passphrase, entries.changed, std::strlen(entries.changed) + 1);
    SetStatusText(kPassphraseChangedText);
    return rc::kOk;
}

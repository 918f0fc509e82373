#include "workflows/passphrase_change_workflow.h"

#include <cstring>

#include "engine/passphrase_change.h"
#include "platform/platform.h"

namespace {

constexpr int kPromptSize = 260;

struct Prompt {
    int captionId;
    int promptId;
};
constexpr Prompt kCurrent{32, 33};
constexpr Prompt kNew{34, 35};
constexpr Prompt kRepeated{36, 37};

bool Ask(ui::Window owner, const Prompt& prompt, char* output) {
    char caption[kPromptSize];
    char text[kPromptSize];
    platform::LoadText(prompt.captionId, caption, sizeof caption);
    platform::LoadText(prompt.promptId, text, sizeof text);
    return ui::PromptPassphrase(owner, output, kPromptSize, text, caption) == 1;
}

// The three entries; they are wiped whatever way the change ends.
struct Entries {
    char current[kPromptSize];
    char changed[kPromptSize];
    char repeated[kPromptSize];
    ~Entries() { platform::WipeMemory(this, sizeof *this); }
};

}  // namespace

ResultCode PassphraseChangeWorkflow(ui::Window owner, KeyPaths* keyPaths) {
    Entries entries{};
    if (!Ask(owner, kCurrent, entries.current) || !Ask(owner, kNew, entries.changed) ||
        !Ask(owner, kRepeated, entries.repeated)) {
        return rc::kCancelled;
    }
    if (std::strcmp(entries.changed, entries.repeated) != 0) {
        return rc::kPassphraseMismatch;
    }
    // The prompts take more than the start-up prompt can: a new passphrase
    // it could not take would lock the user out at the next start.
    if (std::strlen(entries.changed) > static_cast<std::size_t>(kMaxPassphraseBytes)) {
        return rc::kPassphraseInvalid;
    }
    // GnuPG judges the current passphrase; the change refuses one that is too
    // short (17) or holds a line break (16) before GnuPG runs.
    ResultCode result = ChangePassphrase(keyPaths->homeDir, keyPaths->secretKeyring,
                                         keyPaths->publicKeyring, entries.current, entries.changed);
    if (result != rc::kOk) {
        return result;
    }
    // Nothing of the old passphrase may stay behind a shorter new one.
    platform::WipeMemory(keyPaths->passphrase, sizeof keyPaths->passphrase);
    std::memcpy(keyPaths->passphrase, entries.changed, std::strlen(entries.changed) + 1);
    return rc::kOk;
}

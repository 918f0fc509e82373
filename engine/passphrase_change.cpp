#include "engine/passphrase_change.h"

#include <cstring>

#include "engine/command_frame.h"
#include "engine/gpg_runner.h"
#include "engine/key_generation.h"
#include "engine/key_listing.h"
#include "engine/status_reader.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kCommandLineSize = 1560;
constexpr std::size_t kKeyNameSize = 260;
// After GnuPG's input has been closed it can only be asking questions that
// nobody will answer; past this many it is stopped.
constexpr int kQuestionsAfterClose = 8;

enum class EditorOutcome {
    Running,     // GnuPG's questions are being answered
    Quit,        // "quit" was sent: no passphrase was accepted
    Unanswered,  // GnuPG asked a question the program has no answer for
    SaveFailed,  // GnuPG came back to its prompt after "save": it could not write
};

struct EditorState {
    const PassphrasePair* pair;
    const char* selected;  // the passphrase that answers the next hidden question
    bool accepted;
    EditorOutcome outcome;
    int questionsAfterClose;
    bool saved;  // "save" was sent
};

ResultCode OutcomeResult(const EditorState& state) {
    switch (state.outcome) {
        case EditorOutcome::Running:
            // Only a GnuPG that was told to save can have changed the key
            // rings. An editor that ends without any question (it could not
            // use the key, crashed, or was ended) gives 51 on purpose, not
            // the 0 that a plain "end of output is success" rule would give:
            // the old passphrase stays, and calling that a success would make
            // the program cache a passphrase the key does not have.
            return state.saved ? rc::kOk : rc::kUnknown;
        case EditorOutcome::Quit:
            return rc::kBadPassphrase;
        case EditorOutcome::Unanswered:
        case EditorOutcome::SaveFailed:
            break;
    }
    return rc::kUnknown;
}

void CloseInput(ChildStreams* streams) {
    platform::CloseOsHandle(streams->stdinWriter);
    streams->stdinWriter = platform::kNoHandle;
}

void Answer(ChildStreams* streams, const char* text) {
    WriteText(streams->stdinWriter, text);
    WriteText(streams->stdinWriter, platform::kLineEnd);
}

bool IsQuestion(const char* line) {
    return std::strncmp(line, "[GNUPG:] GET_", 13) == 0;
}

// Answers the key editor's questions as they come.
void React(ChildStreams* streams, EditorState* state, const char* line) {
    if (IsStatusKeyword(line, "NEED_PASSPHRASE")) {
        state->selected = state->pair->oldPassphrase;
    } else if (IsStatusKeyword(line, "NEED_PASSPHRASE_SYM")) {
        state->selected = state->pair->newPassphrase;
    } else if (IsStatusKeyword(line, "GET_HIDDEN")) {
        Answer(streams, state->selected);
    } else if (IsStatusKeyword(line, "GOOD_PASSPHRASE")) {
        state->accepted = true;
    } else if (IsStatusKeyword(line, "BAD_PASSPHRASE")) {
        state->accepted = false;
    } else if (IsStatusKeyword(line, "GET_LINE")) {
        if (state->saved) {
            // GnuPG could not write the key ring (read-only or locked) and
            // asks again: saving once more would fail the same way forever.
            Answer(streams, "quit");
            CloseInput(streams);
            state->outcome = EditorOutcome::SaveFailed;
        } else if (state->accepted) {
            Answer(streams, "save");
            state->saved = true;
        } else {
            // Closing the input after "quit" makes the question that may
            // follow (whether to save) read as no instead of waiting.
            Answer(streams, "quit");
            CloseInput(streams);
            state->outcome = EditorOutcome::Quit;
        }
    } else if (IsQuestion(line)) {
        // A yes-or-no or other question the program has no answer for:
        // GnuPG reads the end of its input as no, and ends.
        CloseInput(streams);
        state->outcome = EditorOutcome::Unanswered;
    }
}

ResultCode PassphraseChangeHandler(ChildStreams* streams, void* data) {
    auto* pair = static_cast<const PassphrasePair*>(data);
    EditorState state{pair, pair->oldPassphrase, false, EditorOutcome::Running, 0, false};
    char line[kStatusLineBufferSize];
    for (;;) {
        ResultCode read = ReadStatusLine(streams->stdoutReader, line, kStatusLineCapacity);
        if (read != rc::kOk && read != rc::kEndOfOutput && read != rc::kLineTooLong) {
            return read;
        }
        if (state.outcome == EditorOutcome::Running) {
            React(streams, &state, line);
        } else if (IsQuestion(line) && ++state.questionsAfterClose > kQuestionsAfterClose) {
            // GnuPG keeps asking although its input has ended: stop it.
            platform::EndChild(streams->process);
            DrainOutput(streams, nullptr);
            return OutcomeResult(state);
        }
        if (read == rc::kEndOfOutput) {
            return OutcomeResult(state);
        }
    }
}

}  // namespace

ResultCode ChangePassphrase(const char* homeDir, const char* secretKeyring,
                            const char* publicKeyring, const char* oldPassphrase,
                            const char* newPassphrase) {
    const char* const names[] = {homeDir, secretKeyring, publicKeyring, nullptr};
    ResultCode result =
        RunCommandChecks({homeDir, secretKeyring, publicKeyring, names, nullptr, nullptr, nullptr});
    if (result == rc::kOk)
        result = CheckPassphraseLength(oldPassphrase);
    if (result == rc::kOk)
        result = CheckPassphraseLength(newPassphrase);
    if (result == rc::kOk)
        result = CheckPassphraseText(oldPassphrase);
    if (result == rc::kOk)
        result = CheckPassphraseText(newPassphrase);
    if (result != rc::kOk) {
        return result;
    }

    // The key to edit is the one key of the secret key ring, by fingerprint.
    KeyList list{nullptr};
    ListSecretKeys(homeDir, secretKeyring, &list);
    char keyName[kKeyNameSize];
    result = TakeOnlyKey(&list, rc::kSecretKeyFormat, nullptr, keyName);
    if (result != rc::kOk) {
        return result;
    }
    PassphrasePair pair{};
    std::strcpy(pair.oldPassphrase, oldPassphrase);
    std::strcpy(pair.newPassphrase, newPassphrase);

    char commandLine[kCommandLineSize];
    if (!FormatCommandLine(commandLine, sizeof commandLine,
                           "%s --homedir=\"%s\" --secret-keyring=\"%s\" --keyring=\"%s\" "
                           "--no-default-keyring --command-fd=0 --edit-key %s passwd",
                           CommonGpgOptions, homeDir, secretKeyring, publicKeyring, keyName)) {
        result = rc::kUnknown;
    } else {
        // A save that GnuPG could not carry out leaves the secret key ring as
        // it was; only a changed ring proves the new passphrase is the key's.
        platform::FileStamp before = platform::StampFile(secretKeyring);
        result = RunGpg(commandLine, PassphraseChangeHandler, &pair);
        platform::FileStamp after = platform::StampFile(secretKeyring);
        bool changed = after.exists != before.exists ||
                       after.identity.volume != before.identity.volume ||
                       after.identity.index != before.identity.index || after.size != before.size ||
                       after.modified != before.modified;
        if (result == rc::kOk && !changed) {
            result = rc::kUnknown;
        }
    }
    // The copies of both passphrases must not outlive the change.
    platform::WipeMemory(&pair, sizeof pair);
    return result;
}

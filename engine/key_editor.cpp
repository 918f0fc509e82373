#include "engine/key_editor.h"

#include <cstring>

#include "engine/command_frame.h"
#include "engine/gpg_runner.h"
#include "engine/status_reader.h"
#include "platform/platform.h"

namespace {

// After GnuPG's input has been closed it can only be asking questions that
// nobody will answer; past this many it is stopped.
constexpr int kQuestionsAfterClose = 8;

// The passphrases of one session, copied into slots of their own.
struct PassphraseSlots {
    char passphrase[kMaxPassphraseLength + 1];
    char newPassphrase[kMaxPassphraseLength + 1];
};

enum class EditorOutcome {
    Running,     // GnuPG's questions are being answered
    Quit,        // "quit" was sent: no passphrase was accepted
    Unanswered,  // GnuPG asked a question the program has no answer for
    SaveFailed,  // GnuPG came back to its prompt after "save": it could not write
};

struct EditorState {
    const KeyEditorSession* session;
    const PassphraseSlots* slots;
    const char* selected;  // the passphrase that answers the next hidden question
    const char* const* nextCommand;
    bool accepted;
    bool refused;  // the last passphrase given was refused
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
            // the passphrase change would otherwise make the program cache a
            // passphrase the key does not have.
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

// The session's answer to a GET_BOOL or GET_LINE question, or null.
const char* AnswerFor(const KeyEditorSession& session, const char* line) {
    const char* keyword = std::strchr(line + 9, ' ');
    if (keyword == nullptr || session.answers == nullptr) {
        return nullptr;
    }
    ++keyword;
    for (const KeyEditorAnswer* a = session.answers; a->keyword != nullptr; ++a) {
        if (std::strcmp(keyword, a->keyword) == 0) {
            return a->answer;
        }
    }
    return nullptr;
}

// The editor's prompt: the next command, then "save" once the passphrase was
// accepted, or "quit" when it was not.
void AtPrompt(ChildStreams* streams, EditorState* state) {
    if (state->saved) {
        // GnuPG could not write the key ring (read-only or locked) and
        // asks again: saving once more would fail the same way forever.
        Answer(streams, "quit");
        CloseInput(streams);
        state->outcome = EditorOutcome::SaveFailed;
    } else if (!state->refused && *state->nextCommand != nullptr) {
        Answer(streams, *state->nextCommand++);
    } else if (state->accepted && !state->refused) {
        Answer(streams, "save");
        state->saved = true;
    } else {
        // Closing the input after "quit" makes the question that may
        // follow (whether to save) read as no instead of waiting.
        Answer(streams, "quit");
        CloseInput(streams);
        state->outcome = EditorOutcome::Quit;
    }
}

// Answers the key editor's questions as they come.
void React(ChildStreams* streams, EditorState* state, const char* line) {
    if (IsStatusKeyword(line, "NEED_PASSPHRASE")) {
        state->selected = state->slots->passphrase;
    } else if (IsStatusKeyword(line, "NEED_PASSPHRASE_SYM")) {
        state->selected = state->slots->newPassphrase;
    } else if (IsStatusKeyword(line, "GET_HIDDEN")) {
        Answer(streams, state->selected);
    } else if (IsStatusKeyword(line, "GOOD_PASSPHRASE")) {
        state->accepted = true;
        state->refused = false;
    } else if (IsStatusKeyword(line, "BAD_PASSPHRASE")) {
        state->accepted = false;
        state->refused = true;
    } else if (std::strcmp(line, "[GNUPG:] GET_LINE keyedit.prompt") == 0) {
        AtPrompt(streams, state);
    } else if (IsQuestion(line)) {
        const char* answer = AnswerFor(*state->session, line);
        if (answer != nullptr) {
            Answer(streams, answer);
        } else {
            // A yes-or-no or other question the program has no answer for:
            // GnuPG reads the end of its input as no, and ends.
            CloseInput(streams);
            state->outcome = EditorOutcome::Unanswered;
        }
    }
}

ResultCode KeyEditorHandler(ChildStreams* streams, void* data) {
    auto* state = static_cast<EditorState*>(data);
    char line[kStatusLineBufferSize];
    for (;;) {
        ResultCode read = ReadStatusLine(streams->stdoutReader, line, kStatusLineCapacity);
        if (read != rc::kOk && read != rc::kEndOfOutput && read != rc::kLineTooLong) {
            return read;
        }
        if (state->outcome == EditorOutcome::Running) {
            React(streams, state, line);
        } else if (IsQuestion(line) && ++state->questionsAfterClose > kQuestionsAfterClose) {
            // GnuPG keeps asking although its input has ended: stop it.
            platform::EndChild(streams->process);
            DrainOutput(streams, nullptr);
            return OutcomeResult(*state);
        }
        if (read == rc::kEndOfOutput) {
            return OutcomeResult(*state);
        }
    }
}

}  // namespace

ResultCode RunKeyEditor(const KeyEditorSession& session) {
    static const char* const kNoCommands[] = {nullptr};
    PassphraseSlots slots{};
    std::strncpy(slots.passphrase, session.passphrase, kMaxPassphraseLength);
    std::strncpy(slots.newPassphrase,
                 session.newPassphrase != nullptr ? session.newPassphrase : session.passphrase,
                 kMaxPassphraseLength);
    EditorState state{&session,
                      &slots,
                      slots.passphrase,
                      session.commands != nullptr ? session.commands : kNoCommands,
                      false,
                      false,
                      EditorOutcome::Running,
                      0,
                      false};
    // A save that GnuPG could not carry out leaves the key ring as it was;
    // only a changed ring proves that the edit is the key's.
    platform::FileStamp before = platform::StampFile(session.savedFile);
    ResultCode result = RunGpg(session.commandLine, KeyEditorHandler, &state);
    if (result == rc::kOk && platform::SameStamp(before, platform::StampFile(session.savedFile))) {
        result = rc::kUnknown;
    }
    // The copies of the passphrases must not outlive the session.
    platform::WipeMemory(&slots, sizeof slots);
    return result;
}

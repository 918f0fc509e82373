// One run of GnuPG's key editor (--edit-key with --command-fd=0), driven by
// its status lines: the commands of a session are typed at its prompt one
// after the other, its questions are answered from a table, every passphrase
// it asks for comes from the session, and "save" ends a session whose
// passphrase was accepted. The passphrase change and the renewal of the
// key's self-signatures both run through it.
#pragma once

#include "engine/result_codes.h"

// An answer to one of the editor's questions, by its keyword (the word after
// GET_BOOL or GET_LINE, e.g. "keygen.valid").
struct KeyEditorAnswer {
    const char* keyword;
    const char* answer;
};

struct KeyEditorSession {
    const char* commandLine;         // the whole GnuPG command line
    const char* const* commands;     // typed at the prompt in order; ends with nullptr
    const KeyEditorAnswer* answers;  // ends with {nullptr, nullptr}; may be null
    const char* passphrase;          // answers the key's passphrase (NEED_PASSPHRASE)
    const char* newPassphrase;       // answers a new passphrase (NEED_PASSPHRASE_SYM)
    const char* savedFile;           // a key ring that the save must change
};

// 0 when every command was typed, the passphrase accepted and the save
// changed savedFile; 30 when the passphrase was refused ("quit" was typed and
// nothing saved); 51 for a read failure, a question without an answer (the
// editor's input is then closed, so that GnuPG ends instead of waiting), an
// editor that ended without being told to save, or a save that left
// savedFile as it was (GnuPG could not write it). The passphrases' copies
// are wiped before it returns.
ResultCode RunKeyEditor(const KeyEditorSession& session);

// What the workflows' file dialogs share: the filter lists, the pubkey folder
// where received key files are kept, the dialog call itself, and the save
// dialog that keeps an output away from the program's own files.
#pragma once

#include "engine/result_codes.h"
#include "platform/ui.h"
#include "workflows/work_context.h"

// "gpg Files(*.gpg)", then "All Files(*.*)".
extern const ui::FileFilter kKeyFileFilters[2];
// The dialogs that ask for a key file received from someone: "gpg
// Files(*.gpg)", then "asc Files(*.asc)" (armored key files, as keys travel
// by mail and web pages), then "All Files(*.*)".
extern const ui::FileFilter kReceivedKeyFileFilters[3];
// "sig Files(*.sig)", then "All Files(*.*)".
extern const ui::FileFilter kSignatureFileFilters[2];
// "All Files(*.*)".
extern const ui::FileFilter kAllFileFilters[1];

// One file dialog of a workflow.
struct FileQuestion {
    ui::FileDialogKind kind;
    int titleId;  // string-table id of the title; 0 for the platform's own title
    const ui::FileFilter* filters;
    int filterCount;
    bool inPubkeyFolder;  // open in the pubkey folder instead of the default
    unsigned options;
    const char* defaultExtension;  // nullptr: none
};

// Asks with the dialog; `name` (260 bytes) holds the proposal on entry and
// the chosen path afterwards. 0 chosen, 1 cancelled, 53 when the chosen name
// cannot be held (ui::kNameNotInCodePage).
ResultCode AskFor(ui::Window owner, const FileQuestion& question, char* name);

// The file a workflow works on, into `input` (260 bytes): the dropped file
// when there is one (with `mustBeReadable`, one that cannot be opened for
// reading gives 23, for example when another program holds it locked),
// else the one the user picks with `question`. 0, 1 (cancelled), 23 or 53
// (as AskFor).
ResultCode TakeInputFile(ui::Window owner, const FileQuestion& question, const char* droppedFile,
                         bool mustBeReadable, char* input);

// The proposal for an output named after its input: the input's name with
// `extension` appended (report.doc, ".gpg": report.doc.gpg) while the name
// is shorter than 256 characters, else the empty text. `proposal` holds 260
// bytes.
void ProposeWithExtension(const char* input, const char* extension, char* proposal);

// The program's folder followed by "pubkey" and a separator, into `buffer`
// (260 bytes); false when it does not fit.
bool GetPubkeyFolder(char* buffer);

// Asks for a file to write with the save dialog `question`, like AskFor.
// 0 chosen, 1 cancelled, 53 as AskFor, 29 when the choice is one of the program's own
// files (the key rings, the settings file, the program and GnuPG), however
// its path is spelled: writing there would destroy the user's keys or the
// installation, so nothing may be deleted or started for it.
ResultCode AskForOutput(ui::Window owner, const FileQuestion& question, const KeyPaths& keyPaths,
                        char* name);

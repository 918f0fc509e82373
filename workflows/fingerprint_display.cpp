#include "workflows/fingerprint_display.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/key_listing.h"
#include "platform/platform.h"
#include "workflows/file_dialogs.h"
#include "workflows/gpg_names.h"

namespace {

constexpr int kOwnFingerprintLabel = 17;  // "Fingerprint :"
constexpr int kOwnCopyQuestion = 18;
constexpr int kKeyFileTitle = 28;
constexpr int kUserIdLabel = 29;
constexpr int kKeyFingerprintLabel = 30;  // "Fingerprint:"
constexpr int kKeyCopyQuestion = 31;
constexpr int kKeyOutdatedNote = 116;
constexpr std::size_t kTextSize = 260;
constexpr std::size_t kMessageSize = 1560;

const FileQuestion kAskKeyFile{
    ui::FileDialogKind::Open, kKeyFileTitle, kReceivedKeyFileFilters, 3, true,
    ui::kFileMustExist,       nullptr};

std::string Text(int id) {
    char text[kTextSize];
    platform::LoadText(id, text, sizeof text);
    return text;
}

// Ten groups of four characters, each followed by a blank, with one more
// blank after the fifth. A shorter fingerprint leaves its last groups short
// or empty; nothing is taken from beyond its end.
std::string GroupFingerprint(const char* fingerprint) {
    std::string grouped;
    std::size_t length = std::strlen(fingerprint);
    for (std::size_t group = 0; group < 10; ++group) {
        for (std::size_t i = group * 4; i < group * 4 + 4 && i < length; ++i) {
            grouped.push_back(fingerprint[i]);
        }
        grouped += group == 4 ? "  " : " ";
    }
    return grouped;
}

ResultCode Offer(ui::Window owner, const std::string& text, const char* fingerprint) {
    char message[kMessageSize];
    std::snprintf(message, sizeof message, "%s", text.c_str());
    return OfferFingerprintCopy(owner, message, fingerprint);
}

}  // namespace

ResultCode OwnFingerprintWorkflow(ui::Window owner, KeyPaths* keyPaths) {
    char fingerprint[kTextSize];
    ResultCode result = GetOwnFingerprint(keyPaths->homeDir, keyPaths->secretKeyring, fingerprint);
    if (result != rc::kOk) {
        return result;
    }
    return Offer(owner,
                 Text(kOwnFingerprintLabel) + "\n\n" + GroupFingerprint(fingerprint) + "\n\n" +
                     Text(kOwnCopyQuestion),
                 fingerprint);
}

ResultCode KeyInfoWorkflow(ui::Window owner, KeyPaths* keyPaths) {
    char keyFile[kTextSize] = "";
    ResultCode asked = AskFor(owner, kAskKeyFile, keyFile);
    if (asked != rc::kOk) {
        return asked == rc::kCancelled ? rc::kOk : asked;  // cancelled: nothing to show
    }
    GpgName gpgKeyFile;
    ResultCode named = NameInputForGpg(keyFile, &gpgKeyFile);
    if (named != rc::kOk) {
        return named;
    }
    KeyList list{nullptr};
    ResultCode listed = ListPublicKeys(keyPaths->homeDir, gpgKeyFile.path, &list);
    if (listed != rc::kOk) {
        return listed;
    }
    char fingerprint[kTextSize];
    char userId[kTextSize];
    // A revoked or expired key is shown as any other, with a line that says so.
    bool outdated = list.head != nullptr && list.head->outdated;
    ResultCode single = TakeOnlyKey(&list, rc::kPublicKeyFormat, userId, fingerprint);
    if (single != rc::kOk) {
        return single;
    }
    // The user ID is shown readable; the fingerprint and its copy stay as listed.
    char shown[kTextSize];
    ShowableUserId(userId, shown, sizeof shown);
    return Offer(owner,
                 Text(kUserIdLabel) + "\n" + shown + "\n\n" + Text(kKeyFingerprintLabel) + "\n" +
                     GroupFingerprint(fingerprint) + "\n\n" +
                     (outdated ? Text(kKeyOutdatedNote) + "\n\n" : "") + Text(kKeyCopyQuestion),
                 fingerprint);
}

ResultCode OfferFingerprintCopy(ui::Window owner, const char* text, const char* fingerprint) {
    if (ui::ShowMessageBox(owner, text, "Message Box", ui::kBoxYesNo) != ui::kAnswerYes) {
        return rc::kOk;
    }
    // The clipboard gets the fingerprint as listed: no blanks, no grouping.
    return ui::PutTextOnClipboard(fingerprint);
}

#include "engine/key_method.h"

#include <cstring>

#include "engine/key_listing.h"

namespace {

bool IsEllipticCurve(long algorithm) {
    return algorithm == 18 || algorithm == 19 || algorithm == 22;
}

// RSA (1, 2) and Elgamal (16, 20): the methods GnuPG 1.4 encrypts with.
bool EncryptsInGnupg1(long algorithm) {
    return algorithm == 1 || algorithm == 2 || algorithm == 16 || algorithm == 20;
}

// Field 4 of a colon record as a number; -1 when it is missing or no number.
long AlgorithmField(const char* line) {
    const char* field = line;
    for (int colons = 0; colons < 3; ++colons) {
        field = std::strchr(field, ':');
        if (field == nullptr) {
            return -1;
        }
        ++field;
    }
    long algorithm = 0;
    int digits = 0;
    for (; *field >= '0' && *field <= '9' && digits < 4; ++field, ++digits) {
        algorithm = algorithm * 10 + (*field - '0');
    }
    return digits > 0 && *field == ':' ? algorithm : -1;
}

}  // namespace

void NoteKeyMethod(const char* line, KeyMethods* methods) {
    bool primary = std::strncmp(line, "pub:", 4) == 0;
    if (!primary && std::strncmp(line, "sub:", 4) != 0) {
        return;
    }
    long algorithm = AlgorithmField(line);
    if (IsEllipticCurve(algorithm)) {
        (primary ? methods->primaryUnknown : methods->subkeyUnknown) = true;
    } else if (EncryptsInGnupg1(algorithm)) {
        methods->canEncrypt = true;
    }
}

bool KeyMethodUnusable(const KeyMethods& methods) {
    return methods.primaryUnknown || (methods.subkeyUnknown && !methods.canEncrypt);
}

ResultCode CheckKeyFileMethod(const char* homeDir, const char* keyFile) {
    KeyList list{nullptr};
    ResultCode listed = ListPublicKeys(homeDir, keyFile, &list);
    FreeKeyList(&list);
    return listed == rc::kKeyMethodUnusable ? listed : rc::kOk;
}

#include "workflows/gpg_names.h"

ResultCode NameInputForGpg(const char* name, GpgName* gpg) {
    gpg->created = false;
    gpg->createdStamp = {};
    return platform::GetGpgFileName(name, gpg->path) ? rc::kOk : rc::kNameNotInCodePage;
}

ResultCode NameOutputForGpg(const char* name, GpgName* gpg) {
    if (NameInputForGpg(name, gpg) == rc::kOk) {
        return rc::kOk;
    }
    if (platform::LookUpPath(name) != platform::PathKind::Missing) {
        return rc::kNameNotInCodePage;  // it exists, and has no short name
    }
    if (!platform::CreateNewFile(name)) {
        return rc::kOutputWrite;
    }
    if (!platform::GetGpgFileName(name, gpg->path)) {
        platform::RemoveFile(name);
        return rc::kNameNotInCodePage;
    }
    gpg->created = true;
    gpg->createdStamp = platform::StampFile(name);
    return rc::kOk;
}

void SettleOutput(const char* name, const GpgName& gpg, ResultCode result) {
    if (gpg.created && result != rc::kOk &&
        platform::SameStamp(gpg.createdStamp, platform::StampFile(name))) {
        platform::RemoveFile(name);
    }
}

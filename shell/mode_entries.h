// The four file operations as the menu and a drop start them.
//
// A drop list is a run of terminated texts ending with an empty text: for
// one dropped file its full path; for several, their folder and then each
// file's name relative to it. nullptr means "started from the menu": the
// workflow asks for the file itself.
#pragma once

#include "engine/result_codes.h"

ResultCode StartEncrypt(const char* dropList);
ResultCode StartDecrypt(const char* dropList);
ResultCode StartSign(const char* dropList);
ResultCode StartVerify(const char* dropList);

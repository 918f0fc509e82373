// The string table as compiled into the native builds (the Windows builds
// load the same texts from their resources). Generated from texts.txt.
#pragma once

namespace platform {

// The text of `id` in UTF-8, or nullptr when the table has none.
const char* FindText(int id);

}  // namespace platform

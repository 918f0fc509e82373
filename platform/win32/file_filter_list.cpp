#include "platform/win32/file_filter_list.h"

namespace ui {

std::string BuildFilterList(const FileFilter* filters, int count) {
    std::string list;
    for (int i = 0; i < count; ++i) {
        list.append(filters[i].label != nullptr ? filters[i].label : "");
        list.push_back('\0');
        list.append(filters[i].pattern != nullptr ? filters[i].pattern : "");
        list.push_back('\0');
    }
    list.push_back('\0');
    if (count <= 0) {
        list.push_back('\0');
    }
    return list;
}

}  // namespace ui

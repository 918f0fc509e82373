#include "engine/result_codes.h"

#include "platform/platform.h"

namespace {

struct ResultText {
    std::int32_t code;
    std::int32_t textId;
};

// Code and string-table id of every message. The pair for 51 closes the
// table and serves every code that has no pair of its own, so the pairs of
// the later codes stand before it.
constexpr ResultText kResultTextTable[] = {
    {0, 43},   {1, 70},   {3, 44},   {4, 45},   {5, 46},   {6, 47},   {7, 48},   {8, 49},
    {9, 50},   {10, 51},  {11, 52},  {12, 53},  {13, 54},  {14, 55},  {15, 56},  {16, 57},
    {17, 58},  {18, 59},  {19, 60},  {20, 61},  {21, 62},  {22, 63},  {23, 64},  {24, 65},
    {25, 66},  {26, 67},  {27, 68},  {28, 69},  {29, 71},  {30, 72},  {31, 73},  {32, 74},
    {33, 75},  {34, 76},  {35, 77},  {36, 78},  {37, 79},  {38, 80},  {39, 81},  {40, 82},
    {41, 83},  {42, 84},  {43, 101}, {44, 102}, {45, 103}, {46, 104}, {47, 105}, {48, 106},
    {49, 107}, {50, 108}, {52, 110}, {53, 111}, {54, 112}, {55, 113}, {56, 114}, {57, 115},
    {58, 117}, {59, 118}, {51, 85},
};
static_assert(sizeof kResultTextTable / sizeof kResultTextTable[0] == 59);

constexpr int kMessageBufferSize = 260;

}  // namespace

int LoadResultText(ResultCode code, char* buffer, int size) {
    const ResultText* pair = kResultTextTable;
    while (pair->code != code && pair->code != rc::kUnknown) {
        ++pair;
    }
    if (platform::LoadText(pair->textId, buffer, size) == 0 && size > 0) {
        buffer[0] = '\0';
    }
    return 0;
}

int ShowResult(ui::Window owner, ResultCode code) {
    if (static_cast<std::uint32_t>(code) <= 2) {
        return code;
    }
    char message[kMessageBufferSize];
    LoadResultText(code, message, sizeof message);
    return ui::ShowMessageBox(owner, message, "Message Box", ui::kBoxOk);
}

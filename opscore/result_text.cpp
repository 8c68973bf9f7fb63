#include "result_text.h"

#include <array>
#include <utility>

namespace opscore {
namespace {

constexpr std::array<std::pair<int32_t, std::string_view>, 33> kTexts = {{
    {0, "Successfully"},
    {1, "Unsuccessful"},
    {2, "Illegal command"},
    {3, "Host get NAK"},
    {4, "Time out"},
    {5, "Get unknown response"},
    {6, "Return string BBC error"},
    {7, "No data to be enquired"},
    {8, "User press ESC to break"},
    {9, "Fail to set power saving off"},
    {16, "Power failure"},
    {17, "Processor exception occurred"},
    {18, "Reset by host"},
    {19, "User reset"},
    {20, "Application reset"},
    {21, "Cold start"},
    {22, "Warm start"},
    {32, "Terminal in diagnostic state"},
    {33, "Terminal already start"},
    {34, "Invalid number of parater"},
    {48, "doesn't exist"},
    {49, "Illegal file name"},
    {50, "File already exist ,upload file name to be changed"},
    {51, "File already exist ,system can't change file name"},
    {52, "File open error"},
    {53, "No program is executed"},
    {54, "From flash ROM"},
    {64, "RAM disk isn't empty"},
    {65, "Out of memory size"},
    {80, "Upload mode"},
    {128, "Concentrator get NAK 3 time"},
    {129, "Concentrator time out"},
    {130, "Concentrator get unknown string"},
}};

}  // namespace

std::string_view result_text(int32_t code) {
    for (const auto& [row_code, text] : kTexts) {
        if (row_code == code) return text;
    }
    return {};
}

}  // namespace opscore

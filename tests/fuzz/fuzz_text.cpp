// textToInt on any bytes: stays in bounds, and its result survives a trip
// through intToText.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ui/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text text(reinterpret_cast<const char*>(data), size);
    const std::int32_t value = textToInt(text);
    if (textToInt(intToText(value)) != value) std::abort();
    const Text joined = joinTexts({&text, nullptr, &text});
    if (joined.size() != 2 * text.size()) std::abort();
    return 0;
}

#pragma once

#include <string>

namespace corvale {

// Why a passage cannot be clipped from a song.
enum class ClipError { sourceTooShort, startOutOfRange, emptySelection };

// The text the clip editor shows for it.
std::string describe(ClipError error);

} // namespace corvale

#include "library/ClipError.h"

namespace corvale {

std::string describe(ClipError error) {
    switch (error) {
    case ClipError::sourceTooShort:
        return "That track is too short to clip.";
    case ClipError::startOutOfRange:
        return "Start is past the end of the track.";
    case ClipError::emptySelection:
        return "Pick a length of at least 0.1 s.";
    }
    return {};
}

} // namespace corvale

#include "core/ObservedNotification.h"

namespace corvale {

std::string_view rawValue(ObservedNotification::Kind kind) {
    switch (kind) {
    case ObservedNotification::Kind::single:
        return "single";
    case ObservedNotification::Kind::stack:
        return "stack";
    case ObservedNotification::Kind::unknown:
        return "unknown";
    }
    return "unknown";
}

} // namespace corvale

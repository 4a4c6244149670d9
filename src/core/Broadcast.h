#pragma once

#include "core/Subscription.h"

#include <functional>
#include <string>

namespace corvale {

// Names of the notifications that travel between processes.
namespace broadcasts {
inline constexpr const char* soundCommand = "com.talvo.corvale.soundCommand";
inline constexpr const char* focusFilterChanged = "com.talvo.corvale.focusFilterChanged";
} // namespace broadcasts

// The desktop-wide notification center: a name with one text object, delivered on the main thread.
class Broadcast {
public:
    virtual ~Broadcast() = default;
    virtual bool post(const std::string& name, const std::string& object) = 0;
    virtual Subscription observe(const std::string& name,
                                 std::function<void(const std::string& object)> fn) = 0;
};

} // namespace corvale

#pragma once

#include "core/linux/NameOwnerWatch.h"
#include "core/linux/SdBusHandles.h"
#include "silence/DoNotDisturbReadings.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <systemd/sd-bus.h>

namespace corvale {

// One of the desktop's do-not-disturb sources: its reading, and a call after every change of it.
class DoNotDisturbSource {
public:
    explicit DoNotDisturbSource(std::function<void()> changed) : changed_(std::move(changed)) {}
    virtual ~DoNotDisturbSource() = default;
    DoNotDisturbSource(const DoNotDisturbSource&) = delete;
    DoNotDisturbSource& operator=(const DoNotDisturbSource&) = delete;

    const DoNotDisturbReading& reading() const { return reading_; }

protected:
    void set(std::optional<bool> value);
    // The source has answered once, or knows that it never will.
    void settle();
    // Both at once, told as one change.
    void answered(std::optional<bool> value);
    void forgetValue() { reading_.value = std::nullopt; }
    void forgetAll();

private:
    std::function<void()> changed_;
    DoNotDisturbReading reading_;
};

// A source kept by a bus service that owns a well-known name: the owner is followed, each new one
// asked with a two-string question at its unique name (so nothing here ever starts a service),
// and then followed by the signals it sends; no owner, or one that cannot answer, reads as absent.
class BusDoNotDisturbSource : public DoNotDisturbSource {
public:
    struct Question {
        const char* path;
        const char* interface;
        const char* member;
        const char* first;
        const char* second;
    };

    // Starts following on `bus`, which the event loop drives and which outlives this object. A
    // negative result is the bus library's refusal.
    int watch(sd_bus* bus);
    // The bus is gone or cannot be watched: nothing is known, nothing is to be waited for.
    void forget();

protected:
    BusDoNotDisturbSource(const char* name, std::string signalMatch, Question question,
                          std::function<void()> changed);
    // A signal that matched, sent by the owner.
    virtual void ownerSignalled(sd_bus_message* m) = 0;
    void ask();

private:
    static int onSignal(sd_bus_message* m, void* self, sd_bus_error* error);
    static int onReply(sd_bus_message* m, void* self, sd_bus_error* error);
    void ownerIs(const std::string& owner);

    const char* name_;
    std::string signalMatch_;
    Question question_;
    sd_bus* bus_ = nullptr;
    std::unique_ptr<NameOwnerWatch> ownerWatch_;
    SlotPtr signalSlot_;
    SlotPtr call_;
    std::string owner_;
};

} // namespace corvale

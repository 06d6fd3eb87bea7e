// What the four devices of the rig have in common: an address, the name answer, a register
// map with its registers, a set of faults, and the hooks by which the rig's model runs them.
// Everything here is free of I/O: time comes in as a value.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fault_rules.h"
#include "register_bank.h"
#include "rtu_frame.h"

namespace trelon::rig {

// Seconds of the rig's own clock since it started (it may run faster than the wall clock).
using TModelTime = double;

class TRigDevice {
  public:
    // kind: the short name used in commands ("fz", "imr", "ipt", "usi").
    TRigDevice(std::string kind, TRegisterMap map, std::string name);
    virtual ~TRigDevice() = default;
    TRigDevice(const TRigDevice&) = delete;
    TRigDevice& operator=(const TRigDevice&) = delete;

    const std::string& Kind() const { return kind_; }
    std::uint8_t Address() const { return address_; }
    void SetAddress(std::uint8_t address) { address_ = address; }
    // The text of the name answer (function 17), UTF-8; it goes on the line in cp1251.
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    TRegisterBank& Bank() { return bank_; }
    const TRegisterBank& Bank() const { return bank_; }
    TFaultSet& Faults() { return faults_; }
    const TFaultSet& Faults() const { return faults_; }

    // Puts the values that change by themselves into the registers, as of `now`.
    virtual void Publish(TModelTime now) { (void)now; }
    // The exception a write gets before anything of it is stored; by default the type check.
    virtual TException CheckWrite(const TRequest& request) const;
    // Acts on a write that has been stored.
    virtual void AfterWrite(const TRequest& request, TModelTime now) {
        (void)request;
        (void)now;
    }
    // The next moment the device changes by itself (a mode reached, a count finished).
    virtual std::optional<TModelTime> NextEvent() const { return std::nullopt; }
    virtual void Fire(TModelTime now) { (void)now; }
    // Lets `seconds` pass with the inputs as they are (volumes, pulses accumulate).
    virtual void Integrate(double seconds) { (void)seconds; }

    // A model parameter by name with its words ("error 2 0.3"); an error text or "".
    virtual std::string SetParameter(const std::string& name, std::span<const std::string> args);
    // What "set" knows for this device, one line each, for help.
    virtual std::string ParameterHelp() const { return {}; }
    // The device's state in a few lines, for "status".
    virtual std::string Describe() const { return {}; }
    // Faults that live in the model (a channel made to fail) go with the rules.
    virtual void ClearFaults() { faults_.Clear(); }

  private:
    std::string kind_;
    std::uint8_t address_ = 0;
    std::string name_;
    TRegisterBank bank_;
    TFaultSet faults_;
};

// The values a run of holding registers takes: a write of another value gets IllegalValue.
struct TWordLimit {
    std::uint16_t First, Last;
    std::uint16_t Min, Max;
};
TException CheckLimits(const TRequest& request, std::span<const TWordLimit> limits);

// Helpers for SetParameter: numbers and 1-based channel numbers from words.
std::optional<double> NumberArg(const std::string& word);
// The one word of `args` as a number; false when there is not exactly one number.
bool OneNumber(std::span<const std::string> args, double& value);
// "1".."count" as 0-based; empty when it is no such number.
std::optional<int> IndexArg(const std::string& word, int count);

}  // namespace trelon::rig

#pragma once
// The damage loops of the tests: a file image or a byte string cut at every length and with
// every byte changed, each version handed to a check that must end in a clean answer (a code,
// an exception of the program's own type, a refusal), never a crash or a read out of bounds.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TDamageOptions {
    size_t firstCut = 0;                       // cuts at lengths firstCut .. size - 1
    size_t cutStep = 1;                        // every cutStep-th length
    std::vector<uint8_t> masks = {0xFF, 0x01}; // each byte xored with each mask
};

// Calls check(what, damaged) for every cut of `bytes` and every byte changed by every mask;
// `what` names the damage ("cut at 7", "byte 12 ^ 0xFF") for the failure messages.
template <typename Byte>
void ForEachDamage(const std::vector<Byte>& bytes,
                   const std::function<void(const std::string&, const std::vector<Byte>&)>& check,
                   const TDamageOptions& options = {}) {
    for (size_t length = options.firstCut; length < bytes.size(); length += options.cutStep)
        check("cut at " + std::to_string(length),
              std::vector<Byte>(bytes.begin(), bytes.begin() + long(length)));
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t mask : options.masks) {
            std::vector<Byte> damaged = bytes;
            damaged[at] = Byte(uint8_t(damaged[at]) ^ mask);
            check("byte " + std::to_string(at) + " ^ " + std::to_string(mask), damaged);
        }
    }
}

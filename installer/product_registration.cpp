#include "installer/product_registration.h"

namespace kx {
namespace {

constexpr CommandDescriptor kInstanceCommands[] = {
    {"Transform Instance"},
    {"Is MSI Setup Installed", nullptr, {.resultLines = {2}, .resultRequired = true}},
};

}  // namespace

void registerProduct(Engine&, bool, bool) {}

std::span<const CommandDescriptor> instanceCommands() {
  return kInstanceCommands;
}

}  // namespace kx

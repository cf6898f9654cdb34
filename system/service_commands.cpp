#include "system/service_commands.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "base/values.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

void commandCheckProcess(Engine& engine) {
  const std::string wanted = engine.expanded(1);
  bool running = false;
  for (const std::string& program : engine.platform.services->runningPrograms())
    running = running || equalsIgnoringAsciiCase(fileNamePart(program), wanted);
  engine.writeResult(engine.parameter(2), truthText(running));
}

constexpr std::array<std::string_view, 7> kServiceStates = {
    "STOPPED", "STARTING", "STOPPING", "RUNNING", "CONTINUE_PENDING", "PAUSE_PENDING", "PAUSED"};

void commandCheckService(Engine& engine) {
  const std::optional<uint32_t> state =
      engine.platform.services->serviceState(engine.expanded(2), engine.expanded(1));
  const bool known = state && *state >= 1 && *state <= kServiceStates.size();
  engine.writeResult(engine.parameter(3),
                     std::string(known ? kServiceStates[*state - 1] : "NOTINSTALLED"));
}

// "target|computer": the target, and the computer after the first bar (empty without one).
std::pair<std::string, std::string> splitAtBar(const std::string& line) {
  const size_t bar = line.find('|');
  if (bar == std::string::npos) return {line, {}};
  return {line.substr(0, bar), line.substr(bar + 1)};
}

void commandCreateShare(Engine& engine) {
  const auto [target, computer] = splitAtBar(engine.parameter(1));
  MachineServices::Share share;
  share.path = engine.store.expandPath(target);
  share.computer = engine.store.expandPath(computer);
  share.name = engine.store.expand(engine.translatable(2));
  share.remark = engine.store.expand(engine.translatable(3));
  share.printer = share.path.find_first_of("\\:") == std::string::npos;
  // A drive is shared by its root folder; any other folder without its trailing backslash.
  const bool drive =
      (share.path.size() == 2 || (share.path.size() == 3 && share.path[2] == '\\')) &&
      share.path[1] == ':';
  if (!share.printer && drive)
    share.path = withTrailingBackslash(share.path);
  else if (!share.printer)
    share.path = withoutTrailingBackslash(share.path);
  engine.platform.services->addShare(share);
}

void commandDeleteShare(Engine& engine) {
  const auto [name, computer] = splitAtBar(engine.translatable(1));
  engine.platform.services->deleteShare(engine.store.expand(computer), engine.store.expand(name));
}

// Allowing entries of one right, on the NT family and on the other systems.
struct Grant {
  uint32_t mask;
  uint8_t inheritance;
};
constexpr uint8_t kInheritedByContents = ace_flags::kObjectInherit | ace_flags::kContainerInherit;
constexpr uint8_t kDocumentsOnly = ace_flags::kObjectInherit | ace_flags::kInheritOnly;
constexpr std::array<Grant, 1> kReadGrants = {{{0x1200A9, kInheritedByContents}}};
constexpr std::array<Grant, 1> kFullGrants = {{{0x1F01FF, kInheritedByContents}}};
constexpr std::array<Grant, 1> kPrinterReadGrants = {{{0x20008, 0}}};
constexpr std::array<Grant, 2> kPrinterFullGrants = {{{0xF000C, 0}, {0xF0010, kDocumentsOnly}}};

std::span<const Grant> grantsFor(bool full, bool printer, bool ntFamily) {
  static constexpr Grant kOtherRead{0x81, 0};
  static constexpr Grant kOtherFull{0xB7, 0};
  if (!ntFamily) return {(full || printer) ? &kOtherFull : &kOtherRead, 1};
  if (printer) return full ? std::span<const Grant>(kPrinterFullGrants) : kPrinterReadGrants;
  return full ? kFullGrants : kReadGrants;
}

// Lines of "Set Access Control".
enum AccessLine : size_t {
  kObjectName = 1,
  kEveryone = 2,
  kSetupUser = 3,
  kAuthenticatedUsers = 4,
  kNamedAccount = 5,
  kAccountName = 6,
  kGrantRead = 7,
  kGrantFull = 8,
  kSetRights = 9,
  kEmptyList = 10,
  kNoList = 11,
  kFirstKind = 12,
};

constexpr std::array<SecuredKind, 5> kKindsInOrder = {SecuredKind::FileOrFolder, SecuredKind::Share,
                                                      SecuredKind::RegistryKey,
                                                      SecuredKind::Service, SecuredKind::Printer};

std::vector<Account> chosenAccounts(Engine& engine, bool ntFamily) {
  // Outside the NT family the world and the authenticated users are both "*".
  const Account world =
      ntFamily ? Account{Account::Kind::Everyone, {}} : Account{Account::Kind::Named, "*"};
  const Account authenticated = ntFamily ? Account{Account::Kind::AuthenticatedUsers, {}}
                                         : Account{Account::Kind::Named, "*"};
  std::vector<Account> accounts;
  if (isTrue(engine.parameter(kEveryone))) accounts.push_back(world);
  if (isTrue(engine.parameter(kSetupUser))) accounts.push_back({Account::Kind::SetupUser, {}});
  if (isTrue(engine.parameter(kAuthenticatedUsers))) accounts.push_back(authenticated);
  if (isTrue(engine.parameter(kNamedAccount)))
    accounts.push_back(
        {Account::Kind::Named, engine.store.expandPath(engine.translatable(kAccountName))});
  return accounts;
}

void commandSetAccessControl(Engine& engine) {
  const std::string name = engine.store.expand(engine.translatable(kObjectName));
  std::unique_ptr<SecuredObject> object;
  bool printer = false;
  for (size_t i = 0; i < kKindsInOrder.size(); ++i) {
    if (!isTrue(engine.parameter(kFirstKind + i))) continue;
    object = engine.platform.security->open(kKindsInOrder[i], name);
    printer = kKindsInOrder[i] == SecuredKind::Printer;
  }
  if (!object) return;
  if (isTrue(engine.parameter(kSetRights))) {
    const bool ntFamily = engine.platform.system->isNtFamily();
    for (const Account& account : chosenAccounts(engine, ntFamily)) {
      for (const bool full : {false, true}) {
        if (!isTrue(engine.parameter(full ? kGrantFull : kGrantRead))) continue;
        // An account keeps only the entries of its last right: full wins over read.
        if (!object->removeEntries(account)) break;
        for (const Grant& grant : grantsFor(full, printer, ntFamily))
          object->allow(account, grant.mask, grant.inheritance);
      }
    }
  } else if (isTrue(engine.parameter(kEmptyList))) {
    object->clearList();
  } else if (isTrue(engine.parameter(kNoList))) {
    object->removeList();
  } else {
    return;  // nothing chosen: the object stays as it was
  }
  object->write();
}

constexpr CommandDescriptor kServiceCommands[] = {
    {"Check Process", commandCheckProcess, {.resultLines = {2}}},
    {"Check Service", commandCheckService, {.resultLines = {3}}},
    {"Create Share", commandCreateShare, {}, {{{2, 1}, {3, 2}}}},
    {"Delete Share", commandDeleteShare, {}, {{{1, 1}}}},
    {"Set Access Control", commandSetAccessControl, {}, {{{1, 1}, {6, 2}}}},
};

}  // namespace

std::span<const CommandDescriptor> serviceCommands() {
  return kServiceCommands;
}

}  // namespace kx

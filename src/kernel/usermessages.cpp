#include "kernel/usermessages.h"

namespace rowsmith {

std::string_view phaseName(ImportPhase phase) {
  switch (phase) {
    case ImportPhase::Reading: return "Lesen";
    case ImportPhase::Loading: return "Laden";
    case ImportPhase::Persons: return "Personen";
    case ImportPhase::Export: return "Export";
  }
  return {};
}

void UserMessages::showProgress(ImportPhase, int) {}

}  // namespace rowsmith

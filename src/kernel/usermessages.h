#pragma once
// What the core has to tell the user goes through this one interface: the
// desktop program shows a message box, the converter writes to stderr.
#include <string_view>

namespace rowsmith {

// The phases of an import run, in their order, and of the export after it.
enum class ImportPhase { Reading, Loading, Persons, Export };
// The phase's German name as the progress display shows it.
std::string_view phaseName(ImportPhase phase);

inline constexpr int kProgressUnknown = -1;

class UserMessages {
 public:
  virtual ~UserMessages() = default;
  // A plain message box with one OK button.
  virtual void showMessage(std::string_view text) = 0;
  // Progress of a long run, 0..100 within the phase, or kProgressUnknown
  // when its end cannot be told (a pipe) but work goes on. Default: ignored.
  virtual void showProgress(ImportPhase phase, int percent);
  // Asked between pieces of a long run; true ends it early. Default: never.
  virtual bool cancelled() const { return false; }
};

}  // namespace rowsmith

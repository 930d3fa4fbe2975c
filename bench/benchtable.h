#pragma once
// What the table benchmarks share: the clock, and names, places and jobs of
// a German tree in UTF-8, some in lower case so that case folding is timed too.
#include <chrono>

namespace rowsmith::bench {

inline double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline const char* const kSurnames[] = {"Müller", "Schmidt", "schneider", "Fischer", "Weber", "Özdemir",
                                        "Meyer",  "wagner",  "Becker",    "Hoffmann", "Schäfer", "Koch"};
inline const char* const kGivenNames[] = {"Anna", "Johann",    "maria",   "Friedrich",  "Änne",     "Karl",
                                          "Elisabeth", "Wilhelm", "Katharina", "Heinrich", "Margarethe", "Georg"};
inline const char* const kPlaces[] = {"Berlin", "Hamburg", "München", "Köln", "Leipzig", "Bremen"};
inline const char* const kJobs[] = {"Bauer", "Schmied", "Lehrer", "Pfarrer", "Weber", "Tagelöhner"};

}  // namespace rowsmith::bench

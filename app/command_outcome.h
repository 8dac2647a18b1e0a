#pragma once
// What a command of the dialog came to. Every command handler leaves one in the dialog's
// m_outcome, so that whoever drives the dialog (batch mode, the tests) learns the result as a
// value instead of reading the boxes and log lines that told the user.

#include <string>
#include <string_view>

namespace app {

enum class Outcome {
  kDone,        // the command ran to its end
  kRefused,     // something the user gave was refused (the reason says what); what it would
                // have carried was not sent
  kFailed,      // the command ran and reported a failure (the reason says what)
  kLinkFailed,  // the link to the board is closed: a report could not be written or no reply came
  kNotIdle,     // the board did not become idle: the cut run stopped
  kCancelled,   // the user declined to go on (the reason says what)
  kNoBoard,     // no board has been found: nothing was sent
};

struct CommandOutcome {
  Outcome kind = Outcome::kDone;
  std::string reason;  // kRefused, kFailed, kCancelled: what happened, in a few words

  friend bool operator==(const CommandOutcome&, const CommandOutcome&) = default;
};

// The reasons the handlers give.
inline constexpr std::string_view kFieldCheckFailed = "a field failed its check";
inline constexpr std::string_view kParametersRefused = "the parameters were refused";
inline constexpr std::string_view kHexFileRefused = "the HEX file was refused";
inline constexpr std::string_view kPicProgrammingFailed = "programming the PIC failed";
inline constexpr std::string_view kEraseNotConfirmed = "erasing the PIC was not confirmed";
inline constexpr std::string_view kNoHexFileChosen = "no HEX file was chosen";
inline constexpr std::string_view kPicDiffers = "the PIC differs from the file";
inline constexpr std::string_view kNoSaveFileChosen = "no file to save to was chosen";
inline constexpr std::string_view kSaveFailed = "the file could not be written";

}  // namespace app

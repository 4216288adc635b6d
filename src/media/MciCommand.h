#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

namespace pikoro {

// MCI error codes the sequencer device answers with (the values of the Windows MCI API).
namespace MciError {
constexpr std::uint32_t None = 0;
constexpr std::uint32_t UnrecognizedKeyword = 259;
constexpr std::uint32_t UnrecognizedCommand = 261;
constexpr std::uint32_t InvalidDeviceName = 263; // alias not open or not known
constexpr std::uint32_t DeviceOpen = 265;
constexpr std::uint32_t MissingCommandString = 267;
constexpr std::uint32_t MissingParameter = 273;
constexpr std::uint32_t FileNotFound = 275;
constexpr std::uint32_t DuplicateAlias = 289;
constexpr std::uint32_t InvalidFile = 296;
constexpr std::uint32_t NoClosingQuote = 297;
} // namespace MciError

// One parsed command string.
struct MciCommand {
    enum class Verb { Open, Play, Stop, Pause, Close };

    Verb verb = Verb::Open;
    QString device;     // open: the file path (quotes removed); otherwise the alias
    QString deviceType; // open: the word after "type", empty when not given
    QString alias;      // open: the word after "alias"; otherwise the same as `device`
};

// Parses a command string: "open <path> [type <type>] [alias <alias>]", "play <alias>",
// "stop <alias>", "pause <alias>", "close <alias>". Verbs and keywords are matched without
// regard to case, surrounding blanks are ignored and a path may be double-quoted. Returns
// MciError::None and fills `command`, or the error code of the first fault.
std::uint32_t parseMciCommand(QStringView text, MciCommand *command);

} // namespace pikoro

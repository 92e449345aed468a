#pragma once
// The runtime's fixed messages, written once here. The engine receives them as
// CP932 bytes; the platform boundary converts back to UTF-8 for display.
#include <exception>
#include <string>

namespace vesk {

enum class Msg {
  kAppCaption,     // main window caption before the project's title
  kConfigCaption,  // settings dialog caption
  kConfigUseDirectSound,
  kConfigDelayLabel,
  kConfigDelayFormat,  // "%dms"
  kConfigOk,
  kConfigCancel,
  kFileMissingFormat,  // "%s:" + missing
  kFileMissing,
  kCannotWriteFormat,  // "%s:" + cannot write
  kResourceMissing,
  kCannotMakeWorkFile,
  kCompanionVersionMismatch,
  kBadIndex,      // element index out of range
  kBadDimension,  // a dimension size <= 0
  kCopyMemTypes,
  kBadVariableNameFormat,
  kNoVariableFormat,
  kBadVariableFormat,
  kNoVariableName,
  kInternalError,
  kGetPropArgument,
  kBadExpressionHead,  // "不正な式\r\n\r\n代入先:"
  kBadExpressionOperator,
  kBadSubscript,
  kTooManyElements,
  kGetArraySizeNoVariable,
  kSetArrayNoVariable,
  kFillMemNoVariable,
  kCopyMemNoVariable,
  kInvalidDate,
  kInvalidTime,
  kInvalidFormatFormat,  // "Format '%s' ..."
  kInvalidFloatOperation,
  kFloatOverflow,
  kOutOfMemory,
  kWeekSun,  // the one-character Japanese day names, Sunday first
  kWeekMon,
  kWeekTue,
  kWeekWed,
  kWeekThu,
  kWeekFri,
  kWeekSat,
  kNoProject,
  kNoStartPage,
  kReinstall,
  kInsertDisc,
  kDiskPromptDefault,
  kExitPromptDefault,
  kBadCommand,  // a page holds a command id the player does not know
  kRebuild,     // shown after a page name when the page is too old
  kStackError,
  kGetPropError,
  kSetPropError,
  kBadPropertyId,    // a property command without a property id
  kLinkWithoutHref,  // message markup: an A tag without HREF
  kErrorCaption,
  kWarningCaption,
  kInfoCaption,
  kGetOutlineTextMetrics,  // the glyph cache found no metrics for the font
  kBadSaveData,            // a saved game that cannot be loaded ends the game
  kBadSoundData,           // decoded sound in a format the wave output cannot take
  kMidiMapper,             // the first entry of the MIDI device list
  kCount
};

// The message as UTF-8 text (for tools, logs and the platform boundary).
const char* MessageUtf8(Msg id);
// The message as CP932 bytes, the form the engine works with.
const std::string& MessageCp932(Msg id);
// The pattern with its "%s" replaced by arg (works on UTF-8 and CP932 alike:
// '%' is never part of a double-byte character).
std::string FormatMessage(const std::string& pattern, const std::string& arg);

// What an exception says, as UTF-8: the runtime's own errors carry CP932
// bytes, every other exception ASCII or UTF-8 text.
std::string ErrorTextUtf8(const std::exception& e);

}  // namespace vesk

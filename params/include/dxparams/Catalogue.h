// The camera's command vocabulary: one constant table. Every handler takes
// its command texts, labels and keys from here; nothing is derived at run time.
#pragma once

#include <span>
#include <string_view>

namespace dxparams {

enum class Group { VALUE02, VALUE03, STRING, TRIGGER };

constexpr std::string_view SectionName(Group g) {
    switch (g) {
    case Group::VALUE02: return "VALUE02";
    case Group::VALUE03: return "VALUE03";
    case Group::STRING: return "STRING";
    case Group::TRIGGER: return "TRIGGER";
    }
    return "";
}

// One parameter. Empty texts mean "the program has no such command or key".
struct Param {
    Group group;
    int item;                    // the camera's item number
    std::string_view code;       // the protocol item code
    std::string_view label;      // query / read-back / plain set label
    std::string_view key;        // setting-file key
    std::string_view query;      // query command
    std::string_view setShort;   // head for a one-byte value ("83:4x:cc:" or "83:42:cc:0")
    std::string_view setLong;    // head for a two-byte value ("84:43:cc:")
    bool offset;                 // sent as value + 128
    // fixed two-state settings
    std::string_view labelOff, cmdOff;
    std::string_view labelOn, cmdOn;
    std::string_view labelSet;   // label of the set command when it differs from `label`
    constexpr std::string_view section() const { return SectionName(group); }
};

namespace cat {
using G = Group;

// VALUE02
inline constexpr Param PresetPosition{G::VALUE02, 1, "00", "PRISET POSITION TITLE (VALUE02 01))", "", "82:02:00",
    "83:42:00:", "", false, "", "", "", "", "PRESET POSITION SELECT (VALUE02 01)"};
inline constexpr Param ExDRMode{G::VALUE02, 3, "0B", "ExDR MODE (VALUE02 03)", "03-ExDR MODE", "82:02:0B",
    "83:42:0B:0", "", false, "ExDR MODE = OFF (VALUE02 03)", "83:42:0B:00", "ExDR MODE = ON (VALUE02 03)", "83:42:0B:03", ""};
inline constexpr Param SenseUpMode{G::VALUE02, 4, "0D", "SENSE UP MODE (VALUE02 04)", "04-SENSE UP MODE", "82:02:0D",
    "83:42:0D:0", "", false, "", "", "", "", ""};
inline constexpr Param AlcPriority{G::VALUE02, 5, "0E", "ALC PRIORITY (VALUE02 05)", "05-ALC PRIORITY", "82:02:0E",
    "83:42:0E:0", "", false, "", "", "", "", ""};
inline constexpr Param IrisMode{G::VALUE02, 6, "11", "IRIS MODE (VALUE02 06)", "06-IRIS MODE", "82:02:11",
    "83:42:11:", "", false, "", "", "", "", ""};
inline constexpr Param WhiteBalanceMode{G::VALUE02, 7, "12", "WHITE BALANCE MODE (VALUE02 07)", "07-WHITE BALANCE MODE", "82:02:12",
    "83:42:12:0", "", false, "", "", "", "", ""};
inline constexpr Param Agc{G::VALUE02, 8, "13", "AGC (VALUE02 08)", "08-AGC MODE", "82:02:13",
    "83:42:13:0", "", false, "", "", "", "", ""};
inline constexpr Param ManualShutterSpeed{G::VALUE02, 9, "14", "MANUAL SHUTTER SPEED (VALUE02 09)", "09-MANUAL SHUTTER SPEED", "82:02:14",
    "83:42:14:0", "", false, "", "83:42:14:00", "", "", ""};
inline constexpr Param BlcArea{G::VALUE02, 10, "15", "BLC AREA (VALUE02 10)", "10-BACK LIGHT COMPENSATION(BLC)", "82:02:15",
    "83:42:15:0", "", false, "", "", "", "", ""};
inline constexpr Param AutoPan{G::VALUE02, 11, "19", "", "", "",
    "", "", false, "AUTO PAN = OFF (VALUE02 11)", "83:42:19:00", "AUTO PAN = ON (VALUE02 11)", "83:42:19:01", ""};
inline constexpr Param VariablePTSpeed{G::VALUE02, 17, "22", "VARIABLE PAN/TILT SPEED MODE (VALUE02 17)", "17-VARIABLE PAN/TILT SPEED MODE", "82:02:22",
    "", "", false, "VARIABLE PAN/TILT SPEED MODE = OFF (VALUE02 17)", "83:42:22:00",
    "VARIABLE PAN/TILT SPEED MODE = ON (VALUE02 17)", "83:42:22:01", ""};
inline constexpr Param EasyAf{G::VALUE02, 20, "25", "EASY AF MODE (VALUE02 20)", "20-EASY AF MODE", "82:02:25",
    "", "", false, "EASY AF MODE = OFF (VALUE02 20)", "83:42:25:00", "EASY AF MODE = ON (VALUE02 20)", "83:42:25:01", ""};
inline constexpr Param AutoPatrol{G::VALUE02, 21, "26", "", "", "",
    "", "", false, "AUTO PATROL = OFF (VALUE02 21)", "83:42:26:00", "AUTO PATROL = ON (VALUE02 21)", "83:42:26:01", ""};
inline constexpr Param IrLight{G::VALUE02, 34, "47", "IR MODE (VALUE02 34)", "34-IR LIGHT", "82:02:47",
    "83:42:47:0", "", false, "", "", "", "", ""};
inline constexpr Param BwMode{G::VALUE02, 35, "48", "B&W MODE (VALUE02 35)", "35-B&W MODE", "82:02:48",
    "83:42:48:0", "", false, "", "", "", "", ""};
inline constexpr Param AutoBlack{G::VALUE02, 36, "49", "AUTO BLACK CONTROL MODE (VALUE02 36)", "36-AUTO BLACK CONTROL MODE", "82:02:49",
    "", "", false, "AUTO BLACK CONTROL MODE = OFF (VALUE02 36)", "83:42:49:00",
    "AUTO BLACK CONTROL MODE = ON (VALUE02 36)", "83:42:49:01", ""};
// cmdOff: pan (the only key); cmdOn unused
inline constexpr Param AutoPanKey{G::VALUE02, 37, "4A", "", "37-AUTO PAN KEY", "",
    "", "", false, "AUTO PAN KEY = PAN (VALUE02 37)", "83:42:4A:00", "", "", ""};
// Off/On here are patrol/trace
inline constexpr Param AutoPatrolKey{G::VALUE02, 38, "4B", "", "38-AUTO PATROL KEY", "",
    "", "", false, "AUTO PATROL KEY = PATROL (VALUE02 38)", "83:42:4B:01",
    "AUTO PATROL KEY = TRACE (VALUE02 38)", "83:42:4B:02", ""};

// VALUE03
inline constexpr Param IrisPosition{G::VALUE03, 1, "00", "IRIS POSITION (VALUE03 01)", "01-MANUAL IRIS LEVEL", "82:03:00",
    "", "", false, "", "", "", "", "MANUAL IRIS LEVEL (VALUE03 01)"};
inline constexpr Param ZoomPosition{G::VALUE03, 2, "02", "ZOOM POSITION (VALUE03 02)", "02-ZOOM POSITION", "82:03:02",
    "", "", false, "", "", "", "", ""};
inline constexpr Param FocusPosition{G::VALUE03, 3, "03", "FOCUS POSITION (VALUE03 03)", "03-FOCUS POSITION", "82:03:03",
    "", "", false, "", "", "", "", ""};
inline constexpr Param PanPosition{G::VALUE03, 4, "04", "PAN POSITION (VALUE03 04)", "04-PAN POSITION", "82:03:04",
    "83:43:04:", "84:43:04:", false, "", "", "", "", ""};
inline constexpr Param TiltPosition{G::VALUE03, 5, "05", "TILT POSITION (VALUE03 05)", "05-TILT POSITION", "82:03:05",
    "83:43:05:", "84:43:05:", false, "", "", "", "", ""};
inline constexpr Param WhiteBalanceRB{G::VALUE03, 6, "06", "MANUAL WHITE BALANCE(R-B) (VALUE03 06)", "06-MANUAL WHITE BALANCE(R-B)", "82:03:06",
    "83:43:06:", "84:43:06:", false, "", "", "", "", ""};
inline constexpr Param PedestalLevel{G::VALUE03, 8, "10", "PEDESTAL LEVEL (VALUE03 08)", "08-PEDESTAL LEVEL", "82:03:10",
    "83:43:10:", "84:43:10:", true, "", "", "", "", ""};
inline constexpr Param WhiteBalanceMgG{G::VALUE03, 10, "14", "MANUAL WHITE BALANCE(Mg-G) (VALUE03 10)", "10-MANUAL WHITE BALANCE(Mg-G)", "82:03:14",
    "83:43:14:", "84:43:14:", false, "", "", "", "", ""};
inline constexpr Param ExDRLevel{G::VALUE03, 19, "3A", "ExDR LEVEL (VALUE03 19)", "19-ExDR LEVEL", "82:03:3A",
    "83:43:3A:", "84:43:3A:", true, "", "", "", "", ""};
// exactly 83:43:3B:7F (low), 84:43:3B:01:00 (normal), 84:43:3B:01:01 (high)
inline constexpr Param BwAutoLevel{G::VALUE03, 20, "3B", "B&W AUTO LEVEL (VALUE03 20)", "20-B&W AUTO LEVEL", "82:03:3B",
    "83:43:3B:", "84:43:3B:", true, "", "", "", "", ""};
inline constexpr Param EnhanceLevel{G::VALUE03, 22, "3D", "ENHANCE LEVEL (VALUE03 22)", "22-ENHANCE LEVEL", "82:03:3D",
    "83:43:3D:", "84:43:3D:", true, "", "", "", "", ""};
inline constexpr Param ColorLevel{G::VALUE03, 23, "3E", "COLOR LEVEL (VALUE03 23)", "23-COLOR LEVEL", "82:03:3E",
    "83:43:3E:", "84:43:3E:", true, "", "", "", "", ""};

// STRING: the title frame is built by the console ("8n:46:cc:..." / "8F:LL:46:cc:...")
inline constexpr Param CameraTitle{G::STRING, 1, "00", "CAMERA TITLE (STRING 01)", "01-CAMERA TITLE", "82:06:00",
    "", "", false, "", "", "", "", ""};
// key is this prefix followed by the position number in two decimal digits
inline constexpr Param PositionTitle{G::STRING, 2, "02", "POSITION TITLE (STRING 02)", "02-POSITION TITLE No.", "82:06:02",
    "", "", false, "", "", "", "", ""};
}  // namespace cat

// TRIGGER commands: an action with a label and a command (or a head that
// takes a speed or argument byte).
struct Trigger {
    int item;               // 0 where the action has no item number of its own
    std::string_view code;
    std::string_view label;
    std::string_view command;  // complete command, or head ending in ':'
    std::string_view key;      // setting-file key under [TRIGGER], mostly ""
};

namespace trg {
inline constexpr Trigger PanRight{1, "00", "PAN RIGHT (TRIGGER 01)", "83:45:00:", ""};
inline constexpr Trigger PanLeft{2, "01", "PAN LEFT (TRIGGER 02)", "83:45:01:", ""};
inline constexpr Trigger PanStop{3, "02", "PAN STOP (TRIGGER 03)", "82:45:02", ""};
inline constexpr Trigger TiltUp{4, "03", "TILT UP (TRIGGER 04)", "83:45:03:", ""};
inline constexpr Trigger TiltDown{5, "04", "TILT DOWN (TRIGGER 05)", "83:45:04:", ""};
inline constexpr Trigger TiltStop{6, "05", "TILT STOP (TRIGGER 06)", "82:45:05", ""};
inline constexpr Trigger IrisOpen{7, "06", "IRIS OPEN (TRIGGER 07)", "82:45:06", ""};
inline constexpr Trigger IrisClose{8, "07", "IRIS CLOSE (TRIGGER 08)", "82:45:07", ""};
inline constexpr Trigger IrisStop{9, "08", "IRIS STOP (TRIGGER 09)", "82:45:08", ""};
inline constexpr Trigger FocusFar{10, "09", "FOCUS FAR (TRIGGER 10)", "83:45:09:", ""};
inline constexpr Trigger FocusNear{11, "0A", "FOCUS NEAR (TRIGGER 11)", "83:45:0A:", ""};
inline constexpr Trigger FocusStop{12, "0B", "FOCUS STOP (TRIGGER 12)", "82:45:0B", ""};
inline constexpr Trigger ZoomTele{13, "0C", "ZOOM TELE (TRIGGER 13)", "83:45:0C:", ""};
inline constexpr Trigger ZoomWide{14, "0D", "ZOOM WIDE (TRIGGER 14)", "83:45:0D:", ""};
inline constexpr Trigger ZoomStop{15, "0E", "ZOOM STOP (TRIGGER 15)", "82:45:0E", ""};
inline constexpr Trigger AllStop{16, "0F", "All STOP (TRIGGER 16)", "82:45:0F", ""};
inline constexpr Trigger EnterParameter{17, "16", "ENTER (TRIGGER 17)", "83:45:16:00", ""};
inline constexpr Trigger EnterPosition{17, "16", "ENTER (TRIGGER 17))", "83:45:16:01", ""};
inline constexpr Trigger OnePushAf{22, "1F", "ONE PUSH AUTO FOCUS (TRIGGER 22)", "82:45:1F", ""};
inline constexpr Trigger Menu{27, "29", "MENU (TRIGGER 27)", "82:45:29", ""};
inline constexpr Trigger Set{28, "2A", "SET (TRIGGER 28)", "82:45:2A", ""};
inline constexpr Trigger CharacterCodeSetB{32, "30", "CHARACTER CODE SET = B (TRIGGER 32)", "83:45:30:01", "32-CHARACTER CODE SET"};
// no label of its own: the log shows the label of the command before it
inline constexpr Trigger PositionReset{0, "31", "", "83:45:31:", ""};
inline constexpr Trigger AllClear{34, "32", "ALL CLEAR (TRIGGER 34)", "83:45:32:00", ""};
inline constexpr Trigger AllClearKeepPositions{34, "32", "ALL CLEAR (TRIGGER 34)", "83:45:32:01", ""};
}  // namespace trg

// Memory transfer commands: label, command.
struct TransferCmd {
    std::string_view label;
    std::string_view command;
};
namespace xfer {
inline constexpr TransferCmd Ready{"READY", "82:0B:01"};
inline constexpr TransferCmd MaxPacket{"DUMP MAXPKT", "82:0B:04"};
inline constexpr TransferCmd Timeout{"TIMEOUT", "82:0B:05"};
inline constexpr TransferCmd CheckErr{"CHECKERR", "82:0B:06"};
inline constexpr TransferCmd Start{"START", "83:4B:02:00"};
inline constexpr TransferCmd End{"END", "83:4B:03:00"};
inline constexpr TransferCmd Packet{"DUMP PKT", "84:0A:00:"};  // + high + ":" + low
inline constexpr TransferCmd PacketWrite{"PKT", ""};           // a dump file line, unchanged
}  // namespace xfer

// Every parameter, for iteration (setting files, Save Changes, tests).
std::span<const Param> AllParams();
std::span<const Trigger> AllTriggers();

}  // namespace dxparams

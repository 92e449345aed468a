#pragma once
// Physical keys (USB HID usage ids, which is what SDL scancodes are) to
// Windows virtual-key codes, laid out as a Japanese 106/109 keyboard reports
// them. Returns 0 for keys with no virtual-key code.

namespace vesk::platform {

int HidUsageToVirtualKey(int usage);

}  // namespace vesk::platform

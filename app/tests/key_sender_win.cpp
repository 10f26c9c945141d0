// Presses one key (down and up) with SendInput, as another program would:
//   key_sender <virtual-key in hex>
#include <cwchar>

#include "win32_include.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  WORD key = static_cast<WORD>(std::wcstoul(argv[1], nullptr, 16));
  INPUT inputs[2]{};
  inputs[0].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = key;
  inputs[1] = inputs[0];
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  return SendInput(2, inputs, sizeof(INPUT)) == 2 ? 0 : 1;
}

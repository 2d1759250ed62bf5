// Start-up: the application title, the main window Form1 and the message loop until it closes.
#include <windows.h>

#include "app/unit1.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  std::unique_ptr<TForm1> form = CreateMainForm(instance);
  if (!form) return 1;
  form->Show(show_command);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (form->PreTranslateMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

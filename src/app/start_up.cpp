// Start-up: the controls library, COM for the folder browser, the platform objects, then Form1.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/unit1.h"

std::unique_ptr<TForm1> CreateMainForm(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  // The folder browser is a shell object and wants a single-threaded apartment.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  auto form = std::make_unique<TForm1>(Platform{MakePlatformFileSystem(), MakePlatformClock(), OpenCurrentUserKey()});
  Form1 = form.get();
  if (!form->Create(instance)) return nullptr;
  return form;
}

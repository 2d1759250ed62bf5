// Faces are looked up by enumeration: CreateFont itself never fails, it silently substitutes.
#include "app/window_font.h"

namespace {

constexpr const char* kFontFaces[] = {"MS Sans Serif", "Microsoft Sans Serif", "Tahoma"};

int CALLBACK NoteFontFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FontExists(const char* face) {
  LOGFONTA wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(wanted.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  WindowDc screen;
  EnumFontFamiliesExA(screen.get(), &wanted, NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

// The face the system really draws its GUI font with; its name may be an alias such as
// "MS Shell Dlg".
void SystemGuiFace(char (&face)[LF_FACESIZE]) {
  WindowDc screen;
  SelectedObject gui_font(screen.get(), GetStockObject(DEFAULT_GUI_FONT));
  GetTextFaceA(screen.get(), LF_FACESIZE, face);
}

}  // namespace

UniqueFont MakeWindowFont(int weight, int height) {
  LOGFONTA font{};
  SystemGuiFace(font.lfFaceName);
  for (const char* face : kFontFaces) {
    if (FontExists(face)) {
      lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
      break;
    }
  }
  font.lfHeight = -height;
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  return UniqueFont(CreateFontIndirectA(&font));
}

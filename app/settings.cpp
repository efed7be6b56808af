// The settings file: fourteen keys in the top section of an INI file, written in a fixed order
// and read back with the current values as defaults, so a missing key or file changes nothing.
// After a load the main window's gadgets are brought up to date, so they show what was read.
#include "settings.h"

#include "app_state.h"
#include "label.h"
#include "main_window.h"

namespace {

struct IntegerSetting {
  const char16_t* key;
  int64_t AppState::*value;
};

struct StringSetting {
  const char16_t* key;
  RString AppState::*value;
};

// The fourteen keys in file order: integers and strings interleaved as the file holds them.
struct Setting {
  const IntegerSetting* integer;
  const StringSetting* text;
};

const IntegerSetting kXText{u"xText", &AppState::xText};
const IntegerSetting kYText{u"yText", &AppState::yText};
const IntegerSetting kCText{u"cText", &AppState::cText};
const IntegerSetting kBText{u"bText", &AppState::bText};
const StringSetting kFontName{u"FontName", &AppState::FontName};
const IntegerSetting kFontSize{u"FontSize", &AppState::FontSize};
const StringSetting kPreText{u"PreText", &AppState::PreText};
const StringSetting kSufText{u"SufText", &AppState::SufText};
const IntegerSetting kBorder{u"Border", &AppState::Border};
const IntegerSetting kRangeStart{u"RangeStart", &AppState::RangeStart};
const IntegerSetting kRangeStop{u"RangeStop", &AppState::RangeStop};
const IntegerSetting kZero{u"zero", &AppState::zero};
const IntegerSetting kAnchor{u"Anchor", &AppState::Anchor};
const StringSetting kLastText{u"LastText", &AppState::LastText};

const Setting kSettings[] = {
    {&kXText, nullptr},  {&kYText, nullptr},      {&kCText, nullptr},     {&kBText, nullptr},
    {nullptr, &kFontName}, {&kFontSize, nullptr}, {nullptr, &kPreText},   {nullptr, &kSufText},
    {&kBorder, nullptr}, {&kRangeStart, nullptr}, {&kRangeStop, nullptr}, {&kZero, nullptr},
    {&kAnchor, nullptr}, {nullptr, &kLastText},
};

}  // namespace

bool SettingsSave(const char16_t* fileName) {
  RString name = fileName;  // our own copy: the caller's text may lie on the string stack
  const bool created = PrefCreate(name.get(), 0) != 0;
  for (const Setting& setting : kSettings) {
    if (setting.integer) PrefWriteInt(setting.integer->key, g_app.*(setting.integer->value));
    else PrefWriteString(setting.text->key, (g_app.*(setting.text->value)).get());
  }
  // The write-out happens here, so that its outcome can be told; the close then has nothing left.
  const bool written = PrefFlush() != 0;
  PrefClose();
  return created && written;
}

bool SettingsRead(const char16_t* fileName) {
  RString name = fileName;
  // A missing or unreadable file leaves every read at its default: the current value.
  const bool opened = PrefOpen(name.get(), 0) != 0;
  for (const Setting& setting : kSettings) {
    if (setting.integer) {
      int64_t& value = g_app.*(setting.integer->value);
      value = PrefReadInt(setting.integer->key, value);
    } else {
      RString& value = g_app.*(setting.text->value);
      StrExpr().Call(PrefReadString, setting.text->key, value.get()).StoreInto(value);
    }
  }
  PrefClose();
  return opened;
}

void SettingsLoad(const char16_t* fileName) {
  SettingsRead(fileName);
  MainWindowRefresh();
  LabelDraw(u"", 0);
}

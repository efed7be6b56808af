// The About window's fields as Stampwork stores them at start-up: title, the logo loaded from the
// program's data, the program's name, this build's number and date, the web page and the
// credits text held in the program's data.
#include "about_fields.h"

#include "about.h"
#include "about_data.h"
#include "corvid.h"

void AboutStoreFields() {
  AboutSetField(u"title", u"About ...", 0);
  // A logo that does not load leaves the window without one.
  int64_t logo = ImageLoadFromMemory(CV_Any, kAboutLogoPng);
  AboutSetField(u"logo", nullptr, logo ? ImageHandle(logo) : 0);
  AboutSetField(u"program", u"Stampwork", 0);
  {
    StrExpr version;
    version.Append(u" Build ").Call(StrFromInt, kAboutBuildNumber);
    AboutSetField(u"version", version.Text(), 0);
  }
  {
    StrExpr date;
    date.Call(DateFormat, u"%dd.%mm.%yyyy", kAboutBuildDate);
    AboutSetField(u"comment", date.Text(), 0);
  }
  AboutSetField(u"website", kAboutWebsite, 0);
  AboutSetField(u"credits_mem", nullptr, static_cast<int64_t>(reinterpret_cast<uintptr_t>(kAboutCredits)));
}

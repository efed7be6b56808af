// The About window: a store of fields (texts, the logo, the credits and licence texts or files)
// and the window built from them. The window is described in XML when it opens, with every
// field value escaped so that any text shows as given, and laid out by the dialog library; its
// Credits and License toggles switch between the pages of one multibox cell.
#include "about.h"

#include <string>

#include "corvid.h"

namespace {

struct AboutFields {
  RString title, program, version, comment, website, copyright, creditsFile, licenseFile;
  int64_t creditsText = 0;  // address of a zero-terminated UTF-8 text, 0 = none
  int64_t licenseText = 0;
  int64_t logo = 0;         // OS handle of an image, 0 = none
};

AboutFields g_fields;
int64_t g_aboutDialog = 0;
int64_t g_aboutDocument = 0;
int64_t g_aboutWindow = 0;

// Field values go into attribute values quoted with apostrophes.
std::u16string Escaped(const char16_t* text) {
  std::u16string out;
  for (const char16_t* at = text ? text : u""; *at; ++at) {
    switch (*at) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'\'': out += u"&apos;"; break;
      case u'"': out += u"&quot;"; break;
      default: out.push_back(*at);
    }
  }
  return out;
}

std::u16string Description(int64_t parentHandle) {
  std::u16string xml = u"<window name='About' text='" + Escaped(g_fields.title.get()) +
                       (parentHandle == 0 ? u"' flags='#CV_Window_ScreenCentered' >"
                                          : u"' flags='#CV_Window_WindowCentered' >");
  xml += u" <vbox>   <multibox>     <container name='conGeneral' height='150' >       <vbox>";
  if (g_fields.logo) xml += u"<singlebox expand='no' align='center'><image name='imgLogo' /></singlebox>";
  const std::pair<const char16_t*, const RString*> texts[] = {{u"txtProgram", &g_fields.program},
                                                              {u"txtVersion", &g_fields.version},
                                                              {u"txtComment", &g_fields.comment},
                                                              {u"txtCopyright", &g_fields.copyright}};
  for (const auto& [name, value] : texts) {
    if (value->empty()) continue;
    xml += u"<text name='" + std::u16string(name) + u"' text='" + Escaped(value->get()) + u"' flags='#CV_Text_Center' />";
  }
  if (!g_fields.website.empty()) {
    xml += u"<singlebox expand='no' align='center'><hyperlink name='lnkwebsite' text='" +
           Escaped(g_fields.website.get()) + u"' flags='#CV_Hyperlink_Underline' /></singlebox>";
  }
  xml += u"       </vbox>     </container>     <container name='conCredits' invisible='yes' >"
         u"       <editor name='editCredits' flags='#CV_Editor_ReadOnly|#CV_Editor_WordWrap' />     </container>"
         u"     <container name='conLicense' invisible='yes' >"
         u"       <editor name='editLicense' flags='#CV_Editor_ReadOnly|#CV_Editor_WordWrap' />     </container>"
         u"   </multibox>   <hbox>     <button name='credit' text='Credits' flags='#CV_Button_Toggle' />"
         u"     <button name='license' text='License' flags='#CV_Button_Toggle' />"
         u"     <button name='okay' text='Okay' flags='#CV_Button_Default' />   </hbox> </vbox></window>";
  return xml;
}

int64_t Find(const char16_t* name) { return DialogFindGadget(g_aboutDialog, name); }

// Fills a page's editor from a text in memory or a file; without either the page's button goes.
// A file that does not open leaves the editor empty and the button in place.
void FillPage(int64_t text, const RString& file, const char16_t* editor, const char16_t* button) {
  if (text != 0) {
    StrExpr expression;
    expression.Call(MemoryPeekStringEncoded, reinterpret_cast<const void*>(static_cast<uintptr_t>(text)), int64_t{-1},
                    kPeekUtf8);
    GadgetSetText(Find(editor), expression.Text());
    return;
  }
  if (file.empty()) {
    GadgetHide(Find(button), 1);
    return;
  }
  int64_t handle = FileOpenRead(CV_Any, file.get());
  if (handle == 0) return;
  int64_t size = FileGetSize(handle);
  if (size > 0) {
    std::string buffer(static_cast<size_t>(size), '\0');
    int64_t read = FileRead(handle, buffer.data(), size);
    // The length is the bytes read: the file's text need not end in a zero.
    StrExpr expression;
    expression.Call(MemoryPeekStringEncoded, static_cast<const void*>(buffer.data()), std::max<int64_t>(read, 0),
                    kPeekUtf8 | kPeekByteLength);
    GadgetSetText(Find(editor), expression.Text());
  }
  FileClose(handle);
}

// Shows one page of the multibox: the toggle's own page while it is down, the general page when
// it is released; the other toggle is released.
void ShowPage(const char16_t* toggle, const char16_t* otherToggle, const char16_t* page) {
  for (const char16_t* container : {u"conGeneral", u"conLicense", u"conCredits"}) GadgetHide(Find(container), 1);
  GadgetSetState(Find(otherToggle), 0);
  GadgetHide(Find(GadgetGetState(Find(toggle)) != 0 ? page : u"conGeneral"), 0);
}

}  // namespace

void AboutSetField(const char16_t* key, const char16_t* text, int64_t value) {
  if (key == nullptr) return;
  std::u16string name;
  {
    StrExpr lower;
    lower.Call(StrLower, key);
    name = lower.Text() ? lower.Text() : u"";
  }
  const std::pair<const char16_t*, RString*> texts[] = {
      {u"title", &g_fields.title},         {u"program", &g_fields.program},
      {u"version", &g_fields.version},     {u"comment", &g_fields.comment},
      {u"website", &g_fields.website},     {u"copyright", &g_fields.copyright},
      {u"credits_file", &g_fields.creditsFile}, {u"license_file", &g_fields.licenseFile}};
  for (const auto& [field, store] : texts) {
    if (name == field) {
      *store = text;
      return;
    }
  }
  if (name == u"logo") g_fields.logo = value;
  else if (name == u"credits_mem") g_fields.creditsText = value;
  else if (name == u"license_mem") g_fields.licenseText = value;
}

void AboutOpen(int64_t parentHandle) {
  if (g_aboutDialog && DialogIsValid(g_aboutDialog)) {
    WindowActivate(g_aboutWindow);
    return;
  }
  std::u16string xml = Description(parentHandle);
  g_aboutDocument = XmlParse(CV_Any, xml.data(), static_cast<int64_t>(xml.size() * sizeof(char16_t)), 0, 2);
  if (g_aboutDocument == 0 || XmlStatus(g_aboutDocument) != 0) {
    if (g_aboutDocument) XmlFree(g_aboutDocument);
    g_aboutDocument = 0;
    return;
  }
  g_aboutDialog = DialogNew(CV_Any);
  if (g_aboutDialog == 0 || DialogOpenXml(g_aboutDialog, g_aboutDocument, u"About", 0, 0, 300, 100, parentHandle) == 0) {
    AboutClose();
    return;
  }
  g_aboutWindow = DialogWindowNumber(g_aboutDialog);
  if (g_fields.logo) GadgetSetState(Find(u"imgLogo"), g_fields.logo);
  FillPage(g_fields.creditsText, g_fields.creditsFile, u"editCredits", u"credit");
  FillPage(g_fields.licenseText, g_fields.licenseFile, u"editLicense", u"license");
  EventBind(EC_CLOSE_WINDOW, AboutClose, g_aboutWindow);
  GadgetBindEvent(Find(u"okay"), AboutClose);
  if (GadgetIsValid(Find(u"lnkwebsite"))) GadgetBindEvent(Find(u"lnkwebsite"), AboutWebsite);
  GadgetBindEvent(Find(u"credit"), AboutCredits);
  GadgetBindEvent(Find(u"license"), AboutLicense);
  DialogRefresh(g_aboutDialog);
}

void AboutCredits() { ShowPage(u"credit", u"license", u"conCredits"); }

void AboutLicense() { ShowPage(u"license", u"credit", u"conLicense"); }

void AboutWebsite() {
  StrExpr address;
  address.Call(StrLower, g_fields.website.get());
  RString lowered;
  address.StoreInto(lowered);
  StrExpr full;
  if (StrFind(lowered.get(), u"://") == 0) full.Append(u"http://");
  full.Append(lowered);
  RString target;
  full.StoreInto(target);
  ProgramRun(target.get());
}

void AboutClose() {
  // The binding goes with the window, so that no later window of that number closes anything here.
  if (g_aboutWindow) EventUnbind(EC_CLOSE_WINDOW, AboutClose, g_aboutWindow);
  if (g_aboutDialog) DialogFree(g_aboutDialog);
  if (g_aboutDocument) XmlFree(g_aboutDocument);
  g_aboutDialog = g_aboutDocument = g_aboutWindow = 0;
}

void AboutForget() {
  AboutClose();
  g_fields = AboutFields{};
}

int64_t AboutDialog() { return g_aboutDialog && DialogIsValid(g_aboutDialog) ? g_aboutDialog : 0; }

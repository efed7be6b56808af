// Opening a dialog from a description: the window element is found in a "window" or "dialogs"
// root, its window opened invisible, the elements below it built in document order (unknown
// names skipped with their subtree), then laid out, centred and shown. The first error ends the
// building; the open then takes down whatever it made.
#include "core/constants.h"
#include "dialog.h"
#include "dialog_layout.h"
#include "gui/gadget.h"
#include "gui/window.h"

namespace {

const XmlNode* MatchingWindow(const XmlNode* element, const char16_t* wanted) {
  if (!XmlNameEqualNoCase(XmlNodeName(element), u"window")) return nullptr;
  if (wanted == nullptr || wanted[0] == 0) return element;
  const char16_t* name = XmlNodeAttribute(element, u"NAME");
  return name && XmlNameEqualNoCase(name, wanted) ? element : nullptr;
}

const XmlNode* FindWindowNode(int64_t document, const char16_t* wanted) {
  const XmlNode* root = XmlRootElement(document);
  if (root == nullptr) return nullptr;
  if (!XmlNameEqualNoCase(XmlNodeName(root), u"dialogs")) return MatchingWindow(root, wanted);
  for (const XmlNode* child = XmlNodeFirstChild(root); child; child = XmlNodeNextSibling(child)) {
    if (XmlNodeKind(child) == kXmlNodeElement && MatchingWindow(child, wanted)) return child;
  }
  return nullptr;
}

bool HoldsChildren(const ElementType* type) {
  return type->shape != ElementShape::Gadget && type->shape != ElementShape::Empty;
}

void BuildChildren(DialogElement* parent, const XmlNode* node, DialogBuild& build);

// One element and its subtree, added to its parent.
void BuildElement(DialogElement* parent, const XmlNode* node, const ElementType* type, DialogBuild& build) {
  if (build.depth >= kDialogMaxDepth) {
    build.Error("Dialog elements are nested deeper than %s levels.", u"200");
    return;
  }
  if (type->shape == ElementShape::Tab || (type->gadgetKind != 0 && type->create == nullptr)) {
    build.Error("'%s' gadget is not available in this runtime.", XmlNodeName(node));
    return;
  }
  DialogElement* element = ElementNew(type);
  ElementReadCommonAttributes(element, node, build);
  ElementReadLayoutAttributes(element, node, build);
  const char16_t* group = type->gadgetKind == GADGET_KIND_OPTION ? XmlNodeAttribute(node, u"GROUP") : nullptr;
  if (!build.failed && type->gadgetKind != 0 && group == nullptr) ElementCreateGadget(element, node, build);
  // A gadget element holds no children: what is written inside it is not built.
  if (!build.failed && HoldsChildren(type)) {
    ++build.depth;
    BuildChildren(element, node, build);
    --build.depth;
  }
  if (!build.failed) element->Finish(build);
  if (build.failed || !parent->AddChild(element, build)) {
    delete element;
    return;
  }
  if (group) parent->pendingOptions.push_back(PendingOption{element, node, group});
  else ElementApplyStates(element, node);
}

void BuildChildren(DialogElement* parent, const XmlNode* node, DialogBuild& build) {
  for (const XmlNode* child = XmlNodeFirstChild(node); child && !build.failed; child = XmlNodeNextSibling(child)) {
    if (XmlNodeKind(child) != kXmlNodeElement) continue;
    const ElementType* type = ElementTypeFind(XmlNodeName(child));
    if (type) BuildElement(parent, child, type, build);
  }
}

// Opens the root's window invisible and enters it among the dialog windows.
void OpenWindow(WindowElement* root, DialogBuild& build, int64_t x, int64_t y, int64_t width, int64_t height,
                int64_t parent) {
  int64_t flags = static_cast<int64_t>(root->flags) | CV_Window_Invisible;
  int64_t result = WindowOpen(root->requestedNumber, x, y, width, height, root->text.c_str(), flags, parent);
  if (result == 0) {
    build.Error("Dialog window could not be opened.");
    return;
  }
  root->window = root->requestedNumber == CV_Any ? result : root->requestedNumber;
  build.window = root->window;
  root->handle = reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(root->window)));
  // Gadgets go into the dialog's window, even one opened without a gadget list of its own.
  GadgetListUse(root->handle);
  if (!DialogWindowRegister(root)) build.Error("Dialog window could not be opened.");
}

}  // namespace

int64_t DialogOpenXml(int64_t dialog, int64_t document, const char16_t* windowName, int64_t x, int64_t y,
                      int64_t width, int64_t height, int64_t parent) {
  DialogRecord* record = DialogRecordOf(dialog);
  if (record == nullptr || record->busy > 0) return 0;
  DialogDiscard(record);
  DialogBuild build{record};
  build.ClearError();
  HWND previousList = GadgetListUse(nullptr);
  const XmlNode* node = FindWindowNode(document, windowName);
  if (node == nullptr) {
    build.Error("Dialog window not found");
    return 0;
  }
  ++record->busy;
  auto* root = static_cast<WindowElement*>(ElementNew(ElementTypeOfWindow()));
  root->dialog = record;
  record->root = root;
  ElementReadCommonAttributes(root, node, build);
  ElementReadLayoutAttributes(root, node, build);
  if (!build.failed) OpenWindow(root, build, x, y, width, height, parent);
  if (!build.failed) BuildChildren(root, node, build);
  if (!build.failed) root->Finish(build);
  if (!build.failed) {
    DialogLayout(root, width, height);
    int64_t centring = root->flags & (CV_Window_ScreenCentered | CV_Window_WindowCentered);
    if (centring) WindowCenter(root->window, centring, parent);
    if (!(root->flags & CV_Window_Invisible)) WindowHide(root->window, 0);
  }
  --record->busy;
  if (build.failed) {
    DialogDiscard(record);
    if (previousList && IsWindow(previousList)) GadgetListUse(previousList);
  }
  bool freed = record->freePending;
  DialogFinishPendingFree(record);
  return build.failed || freed ? 0 : 1;
}

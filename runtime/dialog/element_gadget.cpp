// Gadgets of elements: creation through the element table, the event attributes that bind the
// program's procedures to them, "DISABLED" and "INVISIBLE", and the grouped options an element
// collects and creates when it is finished, so that options of one group form one radio group
// whatever stands between them.
#include <string>

#include "core/constants.h"
#include "dialog.h"
#include "dialog_attributes.h"
#include "dialog_element.h"
#include "gui/gadget.h"

namespace {

struct EventAttribute {
  const char16_t* name;
  uint32_t bit;
  int64_t type;
};

const EventAttribute kEventAttributes[] = {
    {u"ONEVENT", kEventAll, -1},
    {u"ONLEFTCLICK", kEventLeftClick, ET_LEFT_CLICK},
    {u"ONRIGHTCLICK", kEventRightClick, ET_RIGHT_CLICK},
    {u"ONLEFTDOUBLECLICK", kEventLeftDoubleClick, ET_LEFT_DOUBLE_CLICK},
    {u"ONRIGHTDOUBLECLICK", kEventRightDoubleClick, ET_RIGHT_DOUBLE_CLICK},
    {u"ONCHANGE", kEventChange, ET_CHANGE},
    {u"ONFOCUS", kEventFocus, ET_FOCUS},
    {u"ONLOSTFOCUS", kEventLostFocus, ET_LOST_FOCUS},
    {u"ONDRAGSTART", kEventDragStart, ET_DRAG_START},
};

const EventAttribute* EventAttributeOf(const char16_t* name) {
  for (const EventAttribute& attribute : kEventAttributes) {
    if (XmlNameEqualNoCase(attribute.name, name)) return &attribute;
  }
  return nullptr;
}

void BindEvents(DialogElement* element, const XmlNode* node, DialogBuild& build) {
  for (int64_t i = 0; i < XmlNodeAttributeCount(node) && !build.failed; ++i) {
    const char16_t* name = XmlNodeAttributeName(node, i);
    const EventAttribute* event = EventAttributeOf(name);
    if (event == nullptr) continue;
    if (!(event->bit & (element->type->events | kEventAll))) {
      build.Error("'%s' is not supported for the following gadget: %s", name, XmlNodeName(node));
      return;
    }
    const char16_t* value = XmlNodeAttributeValue(node, i);
    EventCallback procedure = RuntimeNameProcedure(value);
    if (procedure == nullptr) {
      build.Error("'%s' is not a runtime procedure.", value);
      return;
    }
    EventBind(EC_GADGET, procedure, build.window, element->gadget, event->type);
  }
}

}  // namespace

bool ElementCreateGadget(DialogElement* element, const XmlNode* node, DialogBuild& build) {
  const ElementType* type = element->type;
  GadgetRequest request{element->requestedNumber, element->text.c_str(), static_cast<int64_t>(element->flags), node};
  int64_t result = type->create ? type->create(request) : 0;
  if (result == 0) {
    build.Error("'%s' gadget could not be created.", XmlNodeName(node));
    return false;
  }
  element->gadget = element->requestedNumber == CV_Any ? result : element->requestedNumber;
  BindEvents(element, node, build);
  return !build.failed;
}

void ElementApplyStates(DialogElement* element, const XmlNode* node) {
  if (element->gadget == -1) return;
  if (IsYes(node, u"DISABLED")) GadgetDisable(element->gadget, 1);
  if (IsYes(node, u"INVISIBLE")) GadgetHide(element->gadget, 1);
}

void DialogElement::Finish(DialogBuild& build) {
  while (!pendingOptions.empty() && !build.failed) {
    // A gadget of another kind between two options ends a radio group.
    if (int64_t separator = GadgetTextCreate(CV_Any, 0, 0, 0, 0, u"")) GadgetFree(separator);
    std::u16string group = pendingOptions.front().group;
    std::vector<PendingOption> rest;
    for (const PendingOption& option : pendingOptions) {
      if (option.group != group) {
        rest.push_back(option);
      } else if (!build.failed && ElementCreateGadget(option.element, option.node, build)) {
        ElementApplyStates(option.element, option.node);
      }
    }
    pendingOptions.swap(rest);
  }
  pendingOptions.clear();
}

// The XML document tree.
#pragma once

void XmlInit();
void XmlShutdown();

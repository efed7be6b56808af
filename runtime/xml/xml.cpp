// XML library start-up and shutdown; documents arrive with the XML library.
// Until then these routines have nothing to set up or free.
#include "xml.h"

void XmlInit() {}
void XmlShutdown() {}

// Dialogs described in XML.
#pragma once

void RuntimeNameTableInit();
void DialogInit();
void DialogShutdown();

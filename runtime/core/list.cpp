// Start-up of the dynamic-member hooks of arrays, lists and maps; the containers arrive with the container library.
// Until then these routines have nothing to set up or free.
#include "list.h"

void ArrayInit() {}
void ListInit() {}
void MapInit() {}

// Linked lists and sorting.
#pragma once

void ArrayInit();
void ListInit();
void MapInit();

#pragma once

// Corrects how a few Qt widgets read in a screen reader: a page stack says nothing of its own
// (Qt reads it as a raw "layered pane" each time a view is reached), and a closed combo box says
// its value (Qt 6.4 offers a reader no way to learn it on Linux), and a line edit reads its line
// whole.
void installAccessibleRoles();

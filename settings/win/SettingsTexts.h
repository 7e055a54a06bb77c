// Windows layer: the default settings text and the label table, read from
// the program's own CustomData resources.
#pragma once
#include "settings/DefaultSettingsText.h"
#include "settings/LabelTable.h"

// Resource 475. A missing resource leaves the table empty (logged).
void LoadLabelTable(CLabelTable& table);

// Resource 470, parsed in place; its messages become message boxes.
void LoadDefaultSettingsText(CDefaultSettingsTable& table);

// Message box with no owner and an OK button.
void ShowSettingsMessage(void* context, const char* text, const char* caption);

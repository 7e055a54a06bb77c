// Feeds arbitrary bytes to the default settings text and the label table, and
// asks both tables for keys taken from the input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/DefaultSettingsText.h"
#include "settings/LabelTable.h"
#include "settings/SaverSettings.h"
#include "settings/SceneOptions.h"

static void CountMessage(void* context, const char* text, const char* caption)
{
    // touch both texts so a dangling pointer shows up under the sanitizer
    *static_cast<size_t*>(context) += std::string(text).size() + std::string(caption).size();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t messages = 0;
    CDefaultSettingsTable table;
    table.SetMessageSink(CountMessage, &messages);
    table.Parse(data, size);
    for (int i = 0; i < table.Count(); ++i)
        (void)table.Convert(table.Entry(i).key.c_str());
    SaverSettings defaults = {};
    FillSettingsDefaults(table, defaults);
    ReadSceneOptionDefaults(table);

    CLabelTable labels;
    labels.Load(data, size);
    for (int i = 0; i < labels.LineCount(); ++i)
        (void)labels.GetLabel(labels.Line(i).c_str());
    for (int i = 0; i < CLabelTable::ABOUT_LINES; ++i)
        (void)labels.AboutLine(i).size();
    // the first line of the input as a key, whatever it holds
    const std::string key(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
    (void)labels.GetLabel(key.c_str());
    (void)table.Lookup(key.c_str());
    return 0;
}

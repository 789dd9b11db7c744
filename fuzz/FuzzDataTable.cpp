// The text form reader and every cell reading on arbitrary text: only the system's own
// errors may come out.
#include <cstddef>
#include <cstdint>
#include <string>

#include "datatable/DataTable.h"
#include "datatable/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    stp::TDataTable table(u"", stp::MakeColumnSet({1}));
    table.Init(text);
    for (int r = 0; r < table.ItemCount(); ++r) {
        stp::TRow* row = table.Items(r);
        for (int c = 0; c <= row->ItemCount(); ++c) {  // one past the end: the list error
            try {
                stp::TCell* cell = row->Items(c);
                (void)cell->Text();
                try {
                    (void)cell->Value();
                } catch (const stp::EConvertError&) {
                }
                try {
                    (void)cell->AsBool();
                } catch (const stp::EConvertError&) {
                }
            } catch (const stp::EListError&) {
            }
        }
    }
    try {
        (void)table.IndexOfText(1, u"kxetray.exe");
        (void)table.Name();
        (void)table.Value();
    } catch (const stp::EListError&) {
    } catch (const stp::EConvertError&) {
    }
    return 0;
}

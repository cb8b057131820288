#include "base/Texts.h"

#include <cstring>

namespace {

// The German form of every template text whose English form differs: buttons, labels, group
// boxes, menus and captions of the windows.
constexpr const char* kGerman[][2] = {
    {"All graphs", "Alle Grafiken"},
    {"available", "vorhanden"},
    {"Bar", "Balken"},
    {"Base folder", "Basisordner"},
    {"Bottom", "Unten"},
    {"Clear output window", "Ausgabefenster leeren"},
    {"Clear protocol", "Protokoll löschen"},
    {"Create support file", "Supportdatei erstellen"},
    {"Create\ngraphs", "Grafiken\nerstellen"},
    {"Diagram", "Diagramm"},
    {"English", "Englisch"},
    {"Erase data ...", "Daten löschen ..."},
    {"File", "Datei"},
    {"Files", "Dateien"},
    {"From 3:00 pm on", "Ab 15:00 Uhr am"},
    {"Gap", "Abstand"},
    {"German", "Deutsch"},
    {"Graph (extra)", "Grafik (extra)"},
    {"Graph settings", "Grafik-Einstellungen"},
    {"Graph", "Grafik"},
    {"Labels", "Beschriftung"},
    {"Language", "Sprache"},
    {"Legend", "Legende"},
    {"Line", "Linie"},
    {"Mid", "Mitte"},
    {"Module ID", "Modul-ID"},
    {"No test bursts", "Keine Testbursts"},
    {"Off", "Aus"},
    {"On", "Ein"},
    {"Options", "Optionen"},
    {"Output", "Ausgabe"},
    {"Please wait ...", "Bitte warten ..."},
    {"Print", "Drucken"},
    {"Protocol window", "Protokollfenster"},
    {"Protocol", "Protokoll"},
    {"Save all graphs", "Alle Grafiken speichern"},
    {"Save content", "Inhalt speichern"},
    {"Save protocol", "Protokoll speichern"},
    {"Save selected graph", "Ausgewählte Grafik speichern"},
    {"Save statistics as CSV", "Statistik als CSV speichern"},
    {"Select new printer ...", "Neuen Drucker auswählen ..."},
    {"Select time range", "Zeitraum auswählen"},
    {"Selected graph", "Ausgewählte Grafik"},
    {"selected", "ausgewählt"},
    {"Set feedback mode ...", "Feedback-Modus einstellen ..."},
    {"Set feedback thresholds ...", "Feedback-Schwellen einstellen ..."},
    {"Set info", "Info setzen"},
    {"Set module ID", "Modul-ID setzen"},
    {"Set parameters ...", "Parameter einstellen ..."},
    {"Set thresholds ...", "Schwellen einstellen ..."},
    {"Show graph", "Grafik anzeigen"},
    {"Time range 1", "Zeitraum 1"},
    {"Time range 2", "Zeitraum 2"},
    {"Top", "Oben"},
    {"until 3:00 pm on", "bis 15:00 Uhr am"},
    {"Upload\ndata", "Daten\nladen"},
    {"X-Axis (Date)", "X-Achse (Datum)"},
    {"Y-Axis (Value)", "Y-Achse (Wert)"},
    {"Y-Axis 2 (Value)", "Y-Achse 2 (Wert)"},
};

} // namespace

QString TemplateText(const char* english) {
    if (CurrentLanguage() == Language::German) {
        for (const auto& [en, de] : kGerman) {
            if (std::strcmp(en, english) == 0)
                return QString::fromUtf8(de);
        }
    }
    return QString::fromUtf8(english);
}

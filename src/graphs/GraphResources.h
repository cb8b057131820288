#pragma once

#include <QFont>
#include <QImage>

// The fonts, metrics and logo shared by every diagram of the process. Create() once before the
// first diagram is measured (it needs a QGuiApplication for the fonts), Release() at the end.
class GraphResources {
public:
    static void Create();
    static void Release();
    static const GraphResources& Get();

    QFont font;      // "Arial", 16 px cell height
    QFont titleFont; // "Arial", 24 px cell height, bold
    int TH = 0;      // title line height
    int LH = 0;      // text line height
    int HC = 0;      // half the width of "X"
    int MW = 0;      // width of the widest character
    int DB = 0;      // height of the date band below the plot
    int TOP = 0;     // height of the title band above the plot
    QImage logo;     // IDB_LOGO_200x45, the watermark

private:
    GraphResources();
};

#pragma once
#include <QString>

// What the presentation observers need of the main diagnostic window. Components are named as
// in the window (their objectName), so the observers stay free of widgets and their tests can
// record the calls instead.
class TMainWindowView {
public:
    virtual ~TMainWindowView() = default;

    virtual void SetComponentText(const QString& component, const QString& text) = 0;
    virtual void SetComponentEnabled(const QString& component, bool enabled) = 0;
    virtual void SetComponentVisible(const QString& component, bool visible) = 0;
    // One of the five column titles of the stored-fault table, 0 to 4 from left to right.
    virtual void SetHeaderSectionText(int section, const QString& text) = 0;

    // The five fault lists: lstbIndex, lstbOpTime, lstbFaultStatus, lstbFreq, lstbTemp.
    virtual void ClearList(const QString& list) = 0;
    virtual void AppendListItem(const QString& list, const QString& text) = 0;
    virtual int ListCount(const QString& list) const = 0;
    // Selects the row in lstbIndex and handles it exactly as a click there would.
    virtual void SelectRowAsClicked(int row) = 0;
};

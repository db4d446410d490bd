#include "model/uReadingTexts.h"

TReadingTexts TReadingTexts::FromComponents(const std::function<QString(const QString&)>& text,
                                            const std::function<QStringList(const QString&)>& items)
{
    TReadingTexts r;
    r.SerialNumber = text(QStringLiteral("lbSerialNum"));
    r.PartNumber = text(QStringLiteral("lbPartNum"));
    r.SoftwareVersion = text(QStringLiteral("lbSoftVer"));
    r.HardwareVersion = text(QStringLiteral("lbHardVer"));
    r.UnitsPerRev = text(QStringLiteral("lbUnitsPerRev"));
    r.OpTime = text(QStringLiteral("lbOpTime"));
    r.Temp = text(QStringLiteral("lbTemp"));
    r.Freq = text(QStringLiteral("lbFreq"));
    r.MaxTemp = text(QStringLiteral("lbMaxTemp"));
    r.MinTemp = text(QStringLiteral("lbMinTemp"));
    const QStringList index = items(QStringLiteral("lstbIndex"));
    const QStringList opTime = items(QStringLiteral("lstbOpTime"));
    const QStringList status = items(QStringLiteral("lstbFaultStatus"));
    const QStringList freq = items(QStringLiteral("lstbFreq"));
    const QStringList temp = items(QStringLiteral("lstbTemp"));
    for (qsizetype i = 0; i < index.size(); ++i)
        r.Faults.append({index[i], opTime.value(i), status.value(i), freq.value(i), temp.value(i)});
    return r;
}

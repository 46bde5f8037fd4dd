#pragma once

#include <QString>
#include <QtGlobal>

class Store;

// One ISP (dial-up connection) of a user, Users\User<u>\ISP<i>.
struct IspRecord {
    QString ispName;     // "ISPName"
    QString dialupName;  // the phone-book entry it is chosen by; "Any" for the default
    QString presetName;  // the tariff preset last loaded or saved into it

    bool operator==(const IspRecord &) const = default;
};

// Which values a write stores.
enum IspValue : quint64 {
    IspNameValue = 1,
    IspDialupNameValue = 2,
    IspPresetNameValue = 4,
    AllIspValues = 7,
};

// In one query; missing values read as empty.
IspRecord ReadIspRecord(Store &store, int user, int isp);
// The chosen values, as one transaction.
void WriteIspRecord(Store &store, int user, int isp, const IspRecord &record, quint64 which = AllIspValues);

// What the ISP dialog stores: the name and the entry, the entry under the
// spelling that dialog has always used ("DialUpName", the same value to the
// store as "DialupName").
void WriteIspFromDialog(Store &store, int user, int isp, const QString &ispName, const QString &dialupName);

// The request classes by name, for data-driven rows: make one, send its usual request, and wait
// for its one result signal.
#pragma once

#include "kvaccountmanage.h"

#include <QSignalSpy>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace RequestClasses {

// Every class with a Kv operation or an upload, in the order of the endpoint table.
QStringList names();
std::unique_ptr<KVAccountManage> make(const QString& name, const QString& address);
// How many strings follow code and message in the class's result signal.
int extraCount(const QString& name);

// A spy on the object's one result signal.
std::unique_ptr<QSignalSpy> spyOn(const QObject* object);

// Calls the Kv operation `method` through the meta-object system (the way pages reach objects
// in worker threads) with up to four string arguments; false when there is no such invokable.
bool invoke(QObject* object, const char* method, const QStringList& args);

// Sends the class's usual request: its first operation with plain arguments. An upload zips
// `uploadFolder`.
void sendUsual(KVAccountManage* object, const QString& name, const QString& uploadFolder);

// Calls `send`, waits for the object's one result signal and gives its arguments: empty when
// none came, a one-element note when more than one came.
QVariantList waitResult(QObject* object, const std::function<void()>& send, int timeoutMs = 15000);

}  // namespace RequestClasses

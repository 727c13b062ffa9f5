#pragma once

// What every window test needs: controls found by object name, as a user
// finds them by caption.

#include <QObject>
#include <QString>

template <class T>
T* Find(QObject* root, const char* name) {
    T* found = root->findChild<T*>(QString::fromLatin1(name));
    if (!found) qFatal("no control named %s", name);
    return found;
}

// How long a test waits for work the window hands to other threads: long
// enough for a loaded machine under Wine, short of hanging the run.
inline constexpr int kThreadWait = 30000; // ms

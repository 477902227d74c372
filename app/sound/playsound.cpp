// The sound player of the PC-side "play a sound" function, a module of its own: Qt Multimedia and
// the sound libraries under it (some thirty shared libraries) are loaded when a button first plays
// a sound, not at every start of the program. The program finds it with QLibrary.
#include <QSound>
#include <QString>

extern "C" Q_DECL_EXPORT bool zr540PlaySound(const QString& file)
{
    QSound::play(file);  // asynchronous; QSound reports nothing back
    return true;
}

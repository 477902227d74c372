#include "profilepackage.h"

#include "apppaths.h"
#include "oledframe.h"
#include "profilefile.h"
#include "wholefile.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

namespace ProfilePackage {
namespace {
const QByteArray Mark = QByteArrayLiteral("ZR540PRF");

QByteArray digest(const QByteArray& bytes, int length)
{
    return QCryptographicHash::hash(QByteArray::fromRawData(bytes.constData(), length), QCryptographicHash::Sha256);
}

// A picture the display can show: a BMP of exactly 128 × 32.
bool usablePicture(const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setAutoDetectImageFormat(false);
    QImage image;
    return reader.canRead() && OledFrame::readFilled(reader, image)
        && image.size() == QSize(OledFrame::Width, OledFrame::Height);
}
}  // namespace

QString describe(Check check)
{
    switch (check) {
    case Check::Ok: return QStringLiteral("a usable profile file");
    case Check::Unreadable: return QStringLiteral("the file cannot be read");
    case Check::TooLarge: return QStringLiteral("the file is larger than any profile file (%1 bytes at most)").arg(MaxFileBytes);
    case Check::NotAProfileFile: return QStringLiteral("the file is no ZR540 profile file");
    case Check::OtherVersion: return QStringLiteral("the file is of another version of the profile file format");
    case Check::Truncated: return QStringLiteral("the file is cut short");
    case Check::Altered: return QStringLiteral("the file was altered after it was exported (its checksum does not match)");
    case Check::Damaged: return QStringLiteral("the file's profile or picture is damaged");
    }
    return QString();
}

QByteArray encode(const Content& content)
{
    const QByteArray profile = ProfileFile::encode(content.record);
    QByteArray bytes = Mark;
    bytes.resize(HeaderBytes);
    qToBigEndian<quint16>(quint16(Version), bytes.data() + 8);
    qToBigEndian<quint16>(0, bytes.data() + 10);
    qToBigEndian<quint32>(quint32(profile.size()), bytes.data() + 12);
    qToBigEndian<quint32>(quint32(content.picture.size()), bytes.data() + 16);
    bytes += profile;
    bytes += content.picture;
    return bytes + digest(bytes, bytes.size());
}

Check decode(const QByteArray& bytes, Content& content)
{
    if (bytes.size() > MaxFileBytes)
        return Check::TooLarge;
    if (!bytes.startsWith(Mark))
        return bytes.size() < Mark.size() && Mark.startsWith(bytes) ? Check::Truncated : Check::NotAProfileFile;
    if (bytes.size() < HeaderBytes + DigestBytes)
        return Check::Truncated;
    if (qFromBigEndian<quint16>(bytes.constData() + 8) != Version)
        return Check::OtherVersion;
    const quint32 profileLength = qFromBigEndian<quint32>(bytes.constData() + 12);
    const quint32 pictureLength = qFromBigEndian<quint32>(bytes.constData() + 16);
    if (profileLength > quint32(MaxProfileBytes) || pictureLength > quint32(MaxPictureBytes))
        return Check::Damaged;
    const qint64 expected = qint64(HeaderBytes) + profileLength + pictureLength + DigestBytes;
    if (bytes.size() < expected)
        return Check::Truncated;
    if (bytes.size() > expected)
        return Check::Altered;
    const int signedLength = int(expected) - DigestBytes;
    if (digest(bytes, signedLength) != bytes.mid(signedLength))
        return Check::Altered;

    Content read;
    if (int(profileLength) < ProfileFile::EmptySize || !ProfileFile::decode(bytes.mid(HeaderBytes, int(profileLength)), read.record))
        return Check::Damaged;
    read.picture = bytes.mid(HeaderBytes + int(profileLength), int(pictureLength));
    if (!read.picture.isEmpty() && !usablePicture(read.picture))
        return Check::Damaged;
    content = read;
    return Check::Ok;
}

bool collect(int number, Content& content)
{
    Content collected;
    // A profile never saved reads as the factory profile, as the engine reads it.
    if (!ProfileFile::read(AppPaths::profileFile(number), collected.record)
        && !ProfileFile::read(AppPaths::profileFile(0), collected.record))
        return false;
    QByteArray picture;
    const QString pictureFile = AppPaths::pictureFile();
    if (QFileInfo::exists(pictureFile) && readWholeFile(pictureFile, picture, MaxPictureBytes) && usablePicture(picture))
        collected.picture = picture;
    content = collected;
    return true;
}

Check readFile(const QString& path, Content& content)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return Check::Unreadable;
    if (info.size() > MaxFileBytes)
        return Check::TooLarge;
    QByteArray bytes;
    if (!readWholeFile(path, bytes, MaxFileBytes))
        return QFileInfo(path).size() > MaxFileBytes ? Check::TooLarge : Check::Unreadable;
    return decode(bytes, content);
}

bool exportTo(int number, const QString& path)
{
    Content content;
    return collect(number, content) && writeWholeFile(path, encode(content));
}

bool install(const Content& content, int number)
{
    if (number < 1 || number > 5)
        return false;
    if (!content.picture.isEmpty() && !writeWholeFile(AppPaths::pictureFile(), content.picture))
        return false;
    return writeWholeFile(AppPaths::profileFile(number), ProfileFile::encode(content.record));
}

}  // namespace ProfilePackage

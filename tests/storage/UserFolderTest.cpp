#include "storage/UserFolder.h"

#include "storage/AboutText.h"

#include "TemporaryCurrentDirectory.h"

#include <QDir>

#include <functional>

using namespace pellmora;
using namespace pellmora::storage;
using namespace Qt::StringLiterals;

namespace pellmora {
namespace {

using UserFolderTest = testing::InTemporaryDirectory;

// Each start enters the folder; the first one creates it and gives it an
// about text, later ones keep what the user has there.
TEST_F(UserFolderTest, EnteredCreatedAndGivenAnAboutTextWhenItHasNone)
{
    writeBytes(path(u"installed.abg"_s), "Vantor\r\nCorp\r\n");
    writeBytes(path(u"built-in.abg"_s), "vestavěný");
    struct Case {
        const char *name;
        QString folder;
        std::function<void()> before;
        QStringList sources;
        QByteArray about; // "<missing>": none
    };
    const QString missing = path(u"nowhere/about.abg"_s);
    const Case cases[] = {
        {"first start, parents created too", path(u"data/pellmora"_s), [] {},
         {missing, path(u"installed.abg"_s), path(u"built-in.abg"_s)}, "Vantor\r\nCorp\r\n"},
        {"installed text missing: the built-in one", path(u"second"_s), [] {},
         {missing, path(u"built-in.abg"_s)}, "vestavěný"},
        {"the user's own text kept", path(u"own"_s),
         [this] {
             QDir().mkpath(path(u"own"_s));
             writeBytes(path(u"own/about.abg"_s), "moje");
         },
         {path(u"installed.abg"_s)}, "moje"},
        {"no text to copy: entered all the same", path(u"bare"_s), [] {}, {missing}, "<missing>"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        QString error;
        ASSERT_TRUE(EnterUserFolder(c.folder, c.sources, &error)) << error.toStdString();
        EXPECT_EQ(QDir::currentPath(), QDir(c.folder).canonicalPath());
        EXPECT_EQ(readBytes(QString::fromLatin1(AboutFileName)), c.about);
        ASSERT_TRUE(QDir::setCurrent(folder.path()));
    }
}

TEST_F(UserFolderTest, AFolderThatCannotBeMadeIsNamedAndTheCurrentOneKept)
{
    writeBytes(path(u"file"_s), "x");
    QString error;
    EXPECT_FALSE(EnterUserFolder(path(u"file/pellmora"_s), {}, &error));
    EXPECT_EQ(error, u"Uživatelskou složku %1 nelze vytvořit ani otevřít."_s.arg(path(u"file/pellmora"_s)));
    EXPECT_EQ(QDir::currentPath(), QDir(folder.path()).canonicalPath());
}

// An environment variable set for one scope.
class ScopedVariable {
public:
    ScopedVariable(const char *name, const QString &value)
        : name_(name), wasSet_(qEnvironmentVariableIsSet(name)), previous_(qgetenv(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedVariable() { wasSet_ ? qputenv(name_, previous_) : qunsetenv(name_); }

private:
    const char *name_;
    bool wasSet_;
    QByteArray previous_;
};

// The folder and the installed about text are where the XDG variables say.
TEST_F(UserFolderTest, PlacesFollowTheDataFolders)
{
    QDir().mkpath(path(u"share/pellmora"_s));
    writeBytes(path(u"share/pellmora/about.abg"_s), "x");
    const ScopedVariable home("XDG_DATA_HOME", path(u"home"_s));
    const ScopedVariable dirs("XDG_DATA_DIRS", path(u"none"_s) + u':' + path(u"share"_s));
    EXPECT_EQ(userFolderPath(), path(u"home/pellmora"_s));
    EXPECT_EQ(installedAboutTexts(), QStringList{path(u"share/pellmora/about.abg"_s)});
}

} // namespace
} // namespace pellmora

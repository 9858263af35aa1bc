// cinevue-gen ROOT [--titles N] [--seed S] [--images] [--demo]
// Writes a synthetic My Movies collection below ROOT and prints what it made.

#include "mmtreegen.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMap>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    // Posters are drawn off screen; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"cinevue-gen"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Writes a synthetic My Movies collection (title XML, stub media, art)."_s);
    parser.addHelpOption();
    parser.addPositionalArgument(u"ROOT"_s, u"Folder to write the collection into."_s);
    const QCommandLineOption titlesOption(u"titles"_s, u"Number of title folders (default 40)."_s, u"N"_s, u"40"_s);
    const QCommandLineOption seedOption(u"seed"_s, u"Random seed (default 1)."_s, u"S"_s, u"1"_s);
    const QCommandLineOption imagesOption(u"images"_s, u"Draw cover and fan-art images."_s);
    const QCommandLineOption stubImagesOption(u"stub-images"_s, u"Write tiny images under the usual names."_s);
    const QCommandLineOption demoOption(u"demo"_s, u"The demo collection: about 40 titles of every kind, with images."_s);
    parser.addOptions({titlesOption, seedOption, imagesOption, stubImagesOption, demoOption});
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) {
        std::fprintf(stderr, "cinevue-gen: give exactly one ROOT folder (see --help)\n");
        return 2;
    }
    MMTreeOptions options;
    options.root = args.first();
    bool ok = true;
    options.titles = parser.value(titlesOption).toInt(&ok);
    if (!ok || options.titles < 1) {
        std::fprintf(stderr, "cinevue-gen: --titles needs a positive number\n");
        return 2;
    }
    options.seed = parser.value(seedOption).toUInt(&ok);
    if (!ok) {
        std::fprintf(stderr, "cinevue-gen: --seed needs a non-negative number\n");
        return 2;
    }
    options.images = parser.isSet(imagesOption);
    options.stubImages = parser.isSet(stubImagesOption);
    if (parser.isSet(demoOption)) {
        if (!parser.isSet(titlesOption))
            options.titles = 40;
        options.images = true;
        options.imageWidth = 500;
        options.imageHeight = 750;
    }

    QElapsedTimer timer;
    timer.start();
    const MMTreeResult result = GenerateMyMoviesTree(options);
    const double seconds = timer.elapsed() / 1000.0;

    QMap<QString, int> kinds;
    int images = 0;
    for (const MMTitleDir &dir : result.titles) {
        ++kinds[MMTitleKindName(dir.kind)];
        images += dir.images.size();
    }
    std::printf("%s: %d title folders, %d files, %.1f MB, %d images in %.2f s (seed %u)\n",
                qUtf8Printable(options.root), int(result.titles.size()), result.files,
                result.bytes / (1024.0 * 1024.0), images, seconds, options.seed);
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        std::printf("  %-26s %d\n", qUtf8Printable(it.key()), it.value());
    std::printf("  grouping folders: %d, extras folders: %d\n", int(result.groupDirs.size()),
                int(result.extrasDirs.size()));
    if (!result.ok) {
        std::fprintf(stderr, "cinevue-gen: %s\n", qUtf8Printable(result.error));
        return 1;
    }
    return 0;
}

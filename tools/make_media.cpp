// Builds the Media folder (function pictures and sounds) into the folder
// given as the only argument.
#include <QGuiApplication>
#include <exception>
#include <iostream>

#include "tools/media_generator.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_media <output folder>\n";
        return 2;
    }
    QGuiApplication app(argc, argv);   // fonts need the application
    try {
        const auto files = tarvik::GenerateMedia(argv[1]);
        std::cout << "make_media: " << files.size() << " files in " << argv[1] << "\n";
    } catch (const std::exception& e) {
        std::cerr << "make_media: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

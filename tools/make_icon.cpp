// Draws the application icon for the desktop (hicolor theme): a scalable SVG
// and a 256-pixel PNG from the same shapes, so the two always agree.
// The picture is what the program teaches: three level lines of an
// ill-conditioned quadratic and the zigzag of steepest descent with exact
// line search, from a starting point into the minimum.
//
// usage: make_icon <out.svg> <out.png>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QString>
#include <QTextStream>
#include <cmath>
#include <iostream>
#include <vector>

namespace {

constexpr int kSize = 256;
constexpr double kPi = 3.14159265358979323846;

// J(x) = 1/2 (l1 a^2 + l2 b^2) in axes (a, b) turned by kTilt degrees about the centre.
constexpr double kCx = 138, kCy = 134;
constexpr double kTilt = 32;
constexpr double kL1 = 1, kL2 = 5;

struct Level {
    double rx, ry;
};

// Semi-axes of the level line J = c.
Level LevelLine(double c) { return {std::sqrt(2 * c / kL1), std::sqrt(2 * c / kL2)}; }

struct Point {
    double x, y;
};

std::vector<Point> DescentPath() {
    const double t = kTilt * kPi / 180;
    const double ct = std::cos(t), st = std::sin(t);
    // The start, outside the outermost line, lies where steepest descent is
    // slowest for this conditioning (a/b = l2/l1), so the zigzag shows.
    double a = -105, b = -21;
    std::vector<Point> path;
    for (int k = 0; k < 7; ++k) {
        path.push_back({kCx + a * ct - b * st, kCy + a * st + b * ct});
        const double ga = kL1 * a, gb = kL2 * b;
        const double step = (ga * ga + gb * gb) / (kL1 * ga * ga + kL2 * gb * gb);
        a -= step * ga;
        b -= step * gb;
    }
    path.push_back({kCx, kCy});
    return path;
}

const std::vector<double> kLevels = {4600, 1900, 520};

QString Num(double v) { return QString::number(v, 'f', 2); }

QString Svg() {
    QString s;
    QTextStream out(&s);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kSize << "\" height=\"" << kSize
        << "\" viewBox=\"0 0 " << kSize << ' ' << kSize << "\">\n"
        << "  <rect x=\"8\" y=\"8\" width=\"240\" height=\"240\" rx=\"40\" ry=\"40\" fill=\"#c0dcc0\" "
           "stroke=\"#006400\" stroke-width=\"10\"/>\n"
        << "  <g fill=\"none\" stroke=\"#000000\" stroke-width=\"7\">\n";
    for (double c : kLevels) {
        const Level l = LevelLine(c);
        out << "    <ellipse cx=\"" << Num(kCx) << "\" cy=\"" << Num(kCy) << "\" rx=\"" << Num(l.rx) << "\" ry=\""
            << Num(l.ry) << "\" transform=\"rotate(" << Num(kTilt) << ' ' << Num(kCx) << ' ' << Num(kCy)
            << ")\"/>\n";
    }
    out << "  </g>\n  <polyline fill=\"none\" stroke=\"#008000\" stroke-width=\"10\" stroke-linejoin=\"round\" "
           "stroke-linecap=\"round\" points=\"";
    const auto path = DescentPath();
    for (std::size_t i = 0; i < path.size(); ++i) out << (i ? " " : "") << Num(path[i].x) << ',' << Num(path[i].y);
    out << "\"/>\n"
        << "  <circle cx=\"" << Num(path.front().x) << "\" cy=\"" << Num(path.front().y)
        << "\" r=\"13\" fill=\"#0000ff\"/>\n"
        << "  <circle cx=\"" << Num(kCx) << "\" cy=\"" << Num(kCy) << "\" r=\"13\" fill=\"#ff0000\"/>\n"
        << "</svg>\n";
    return s;
}

QImage Png() {
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 100, 0), 10));
    p.setBrush(QColor(192, 220, 192));
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 40, 40);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 7));
    for (double c : kLevels) {
        const Level l = LevelLine(c);
        p.save();
        p.translate(kCx, kCy);
        p.rotate(kTilt);
        p.drawEllipse(QPointF(0, 0), l.rx, l.ry);
        p.restore();
    }
    const auto path = DescentPath();
    QPolygonF line;
    for (const Point& q : path) line << QPointF(q.x, q.y);
    p.setPen(QPen(QColor(0, 128, 0), 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(line);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 255));
    p.drawEllipse(QPointF(path.front().x, path.front().y), 13, 13);
    p.setBrush(QColor(255, 0, 0));
    p.drawEllipse(QPointF(kCx, kCy), 13, 13);
    p.end();
    return image;
}

bool Write(const QString& path, const QByteArray& svg, const QImage* png) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (png ? !png->save(&file, "PNG") : file.write(svg) != svg.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_icon <out.svg> <out.png>\n";
        return 2;
    }
    const QImage png = Png();
    if (!Write(QString::fromLocal8Bit(argv[1]), Svg().toUtf8(), nullptr) ||
        !Write(QString::fromLocal8Bit(argv[2]), {}, &png)) {
        std::cerr << "make_icon: cannot write " << argv[1] << " or " << argv[2] << "\n";
        return 1;
    }
    return 0;
}

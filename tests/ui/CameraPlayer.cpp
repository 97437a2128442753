#include "CameraPlayer.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPainter>
#include <chrono>

namespace uitest {

namespace {

camsim::CameraOptions Unpaced() {
    camsim::CameraOptions options;
    options.bitsPerSecond = 0;
    return options;
}

} // namespace

QImage TestCardImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    const QColor bands[] = {Qt::white,   Qt::yellow, Qt::cyan, Qt::green,
                            Qt::magenta, Qt::red,    Qt::blue, Qt::black};
    const int bandWidth = width / 8;
    for (int band = 0; band < 8; ++band) {
        painter.fillRect(band * bandWidth, 0, bandWidth, height * 2 / 3, bands[band]);
    }
    QLinearGradient ramp(0, 0, width, 0);
    ramp.setColorAt(0, Qt::black);
    ramp.setColorAt(1, Qt::white);
    painter.fillRect(0, height * 2 / 3, width, height / 3, ramp);
    painter.setPen(QPen(Qt::darkGray, 4));
    painter.drawRect(2, 2, width - 4, height - 4);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(height / 10);
    font.setBold(true);
    painter.setFont(font);
    painter.fillRect(width / 4, height / 3 - height / 12, width / 2, height / 6, Qt::black);
    painter.drawText(QRect(width / 4, height / 3 - height / 12, width / 2, height / 6),
                     Qt::AlignCenter, "CAMERA 1");
    return image;
}

camsim::OutgoingPicture TestCardPicture(int width, int height) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TestCardImage(width, height).save(&buffer, "JPEG", 90);
    camsim::OutgoingPicture picture;
    picture.data.assign(bytes.begin(), bytes.end());
    picture.width = static_cast<std::uint16_t>(width);
    picture.height = static_cast<std::uint16_t>(height);
    return picture;
}

CameraPlayer::CameraPlayer(int lineDescriptor, camsim::OutgoingPicture picture)
    : picture(std::move(picture)), camera(lineDescriptor, Unpaced()) {
    thread = std::thread([this] {
        while (!camera.StopRequested()) {
            if (camera.Send(this->picture).outcome == camsim::Outcome::Completed) {
                ++completed;
            }
            camera.Pause(std::chrono::milliseconds(20));
        }
    });
}

CameraPlayer::~CameraPlayer() {
    Stop();
}

void CameraPlayer::Stop() {
    camera.RequestStop();
    if (thread.joinable()) {
        thread.join();
    }
}

} // namespace uitest

#pragma once
#include "platform/ScreenCopy.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include <memory>
#include <utility>
#include <vector>

// A desktop of one colour as the source of the screen copy, in ScreenDC for
// as long as it lives. It counts the copies asked of it, and answers each at
// once or, with `answerLater`, when the test says: as a desktop portal does.
class StandInScreen {
public:
    explicit StandInScreen(QColor colour = QColor(40, 90, 160)) : m_colour(colour), m_saved(std::move(ScreenDC))
    {
        auto source = std::make_unique<Source>(this);
        m_source = source.get();
        ScreenDC = std::move(source);
    }
    ~StandInScreen()
    {
        if (ScreenDC.get() == m_source)
            ScreenDC = std::move(m_saved);
    }
    StandInScreen(const StandInScreen&) = delete;
    StandInScreen& operator=(const StandInScreen&) = delete;

    // Answers the copies asked so far: with the picture, or as failed.
    void Answer(bool copied)
    {
        std::vector<ScreenCopySource::Taken> kept;
        kept.swap(m_kept);
        const QRect area = QGuiApplication::primaryScreen()->geometry();
        QImage picture(area.size(), QImage::Format_RGB32);
        picture.fill(m_colour);
        for (auto& taken : kept)
            copied ? taken(picture, area) : taken(QImage(), QRect());
    }

    bool answerLater = false;
    int asked = 0;

private:
    struct Source final : ScreenCopySource {
        explicit Source(StandInScreen* screen) : screen(screen) {}
        void Take(Taken taken) override
        {
            ++screen->asked;
            screen->m_kept.push_back(std::move(taken));
            if (!screen->answerLater)
                screen->Answer(true);
        }
        StandInScreen* screen;
    };

    QColor m_colour;
    std::unique_ptr<ScreenCopySource> m_saved;
    Source* m_source = nullptr;
    std::vector<ScreenCopySource::Taken> m_kept;
};

// SPDX-License-Identifier: GPL-3.0-or-later
// The sound output on Linux: a PulseStream of its own for every message, so a
// sound server restarted since the last message is simply found again. Each
// runs in libpulse's own loop thread, which the stream starts and joins; the
// window only looks at the state the loop leaves, so a sound server that
// hangs holds up nothing but that loop.
#include <QObject>

#include <vector>

#include "messages/PulseStream.h"
#include "messages/SoundOutput.h"

namespace {

using State = SoundOutput::State;

class PulseSoundOutput final : public SoundOutput {
public:
    void open(std::shared_ptr<SampleStream> sound) override
    {
        // A message still playing is left to end on its own; those that have
        // ended go now.
        std::erase_if(m_ending, [](const auto& s) { return s->state() != State::Playing; });
        if (m_current && m_current->state() == State::Playing)
            m_ending.push_back(std::move(m_current));
        m_current = std::make_unique<PulseStream>(std::move(sound), &m_window);
    }
    void play() override
    {
        if (m_current)
            m_current->play();
    }
    void close() override
    {
        if (m_current && m_current->state() != State::Playing)
            m_current.reset();
    }
    State state() const override { return m_current ? m_current->state() : State::Closed; }
    Trouble trouble() const override { return m_current ? m_current->trouble() : Trouble{}; }

private:
    QObject m_window;  // first in, last out: the loops post to it until they end
    std::vector<std::unique_ptr<PulseStream>> m_ending;
    std::unique_ptr<PulseStream> m_current;
};

}  // namespace

std::unique_ptr<SoundOutput> MakeSoundOutput()
{
    return std::make_unique<PulseSoundOutput>();
}

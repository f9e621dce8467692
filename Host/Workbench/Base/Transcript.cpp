#include "Transcript.hpp"

namespace Workbench {

void Transcript::Write(std::string_view event, const JsonObject& fields) {
    ++sequence;
    if (stream == nullptr || failed)
        return;
    JsonObject line;
    line.Number("seq", static_cast<std::int64_t>(sequence)).String("event", event).Members(fields);
    *stream << line.Text() << '\n';
    stream->flush();
    if (!*stream) {
        failed = true;
        *errors << "kavelo-workbench: writing the transcript failed at event " << sequence
                << "; later events are not recorded\n";
    }
}

} // namespace Workbench

#include "DG/Events.hpp"

namespace DG {

PanelEvent::PanelEvent(Panel* eventSource) : source(eventSource) {}

PanelEvent::~PanelEvent() = default;

PanelOpenEvent::PanelOpenEvent(Panel* eventSource) : PanelEvent(eventSource) {}

PanelOpenEvent::~PanelOpenEvent() = default;

PanelCloseRequestEvent::PanelCloseRequestEvent(Panel* eventSource) : PanelEvent(eventSource) {}

PanelCloseRequestEvent::~PanelCloseRequestEvent() = default;

ButtonClickEvent::ButtonClickEvent(Item* eventSource) : source(eventSource) {}

ButtonClickEvent::~ButtonClickEvent() = default;

} // namespace DG

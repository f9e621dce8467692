#include "Assets.hpp"

namespace kavelo {

namespace {

constexpr std::string_view kStyle =
    R"css(:root { color-scheme: light dark; font-family: system-ui, sans-serif; }
body { margin: 0; background: #16181d; color: #e8e8ea; }
a { color: #8ab4ff; }
code { font-size: 0.95em; word-break: break-all; }
.card { max-width: 40rem; margin: 4rem auto; padding: 2rem; background: #22252c; border-radius: 12px; }
.card h1 { margin-top: 0; }
.ok { color: #7ee2a8; }
.error { color: #ff9b8f; }
button { font: inherit; padding: 0.6rem 1.2rem; border: 0; border-radius: 8px; background: #3b6fe0;
         color: white; cursor: pointer; }
table { border-collapse: collapse; width: 100%; }
td, th { text-align: left; padding: 0.4rem; vertical-align: middle; }
td form { margin: 0; }
.account { display: flex; gap: 1rem; align-items: center; margin-bottom: 1rem; }
.account form { margin: 0; }
.account button { padding: 0.3rem 0.8rem; background: #444a57; }
.signin label { display: block; margin-bottom: 1rem; }
.signin input { display: block; font: inherit; margin-top: 0.3rem; padding: 0.4rem; width: 100%;
                box-sizing: border-box; }
.live { padding: 1rem 2rem; }
.live header { display: flex; gap: 1.5rem; align-items: baseline; flex-wrap: wrap; }
.live h1 { font-size: 1.3rem; margin: 0; }
.status { color: #a0a4ad; margin: 0; }
.notice { font-size: 1.1rem; margin: 3rem 0; }
figure { margin: 1rem 0; }
#live-image { display: block; max-width: 100%; max-height: calc(100vh - 8rem); border-radius: 6px; }
figcaption { color: #a0a4ad; margin-top: 0.5rem; }
)css";

// Follows the service's event stream and swaps in each new picture without reloading the page.
// The browser reconnects a stream that ends; one the service refused (too many open, or the
// session ended) is tried again here after a while.
constexpr std::string_view kLiveScript = R"js("use strict";
(() => {
  const main = document.querySelector("main[data-after]");
  const figure = document.getElementById("live-figure");
  const image = document.getElementById("live-image");
  const caption = document.getElementById("live-caption");
  const notice = document.getElementById("live-notice");
  const status = document.getElementById("live-status");
  let after = main.dataset.after;

  const follow = () => {
    const events = new EventSource("/events?after=" + encodeURIComponent(after));
    events.addEventListener("open", () => {
      status.textContent = "Live: new exports from Archicad appear here.";
    });
    events.addEventListener("error", () => {
      status.textContent = "Connection to the service lost, reconnecting…";
      if (events.readyState === EventSource.CLOSED)
        setTimeout(follow, 5000);
    });
    events.addEventListener("image", (event) => {
      const record = JSON.parse(event.data);
      after = String(record.sequence);
      image.src = "/api/v1/images/" + encodeURIComponent(record.id);
      caption.textContent = record.name + " · " + new Date(record.createdAt * 1000).toLocaleString();
      figure.hidden = false;
      notice.hidden = true;
    });
  };
  follow();
})();
)js";

} // namespace

std::optional<Asset> FindAsset(std::string_view path) {
    if (path == "/assets/style.css")
        return Asset{"text/css; charset=utf-8", kStyle};
    if (path == "/assets/live.js")
        return Asset{"text/javascript; charset=utf-8", kLiveScript};
    return std::nullopt;
}

} // namespace kavelo

#!/usr/bin/env bash
# Hostile pages in a real browser: a parameter outside the control's list,
# values over the control's limits, 10,000 objects, and a page that tries to
# reach the extension, press the placeholder's buttons or fake the page's
# events. Each is refused (by the host, with the control's own error 200
# text naming the parameter, or by the extension without starting the host)
# and no file is fetched.
# Exit 77 (skipped) without Chromium, xvfb-run or python3.
# Usage: browser_hostile.sh PATH-TO-kiv-downloader [PATH-TO-kivtool]
source "$(dirname "$0")/browser_lib.sh"
head -c 1000 /dev/urandom >"$work/site/a.bin"
start_nginx
site="$work/site"

# page NAME EXPECTED PARAM=VALUE...: a page and the text its placeholder must come to show.
page() {
    local name=$1 expected=$2
    shift 2
    write_page "$site/$name.html" "$@"
    echo "$expected" >"$site/$name.html.expect"
}
page outside "Parameter curl1x has not been specified" contentscount=1 "curl1=$base/a.bin" "curl1x=$base/a.bin"
page caption "Parameter caption has not been specified" "caption=$(printf 'c%.0s' $(seq 65))" \
    contentscount=1 "curl1=$base/a.bin"
page url "Parameter curl1 has not been specified" contentscount=1 \
    "curl1=$base/$(printf 'u%.0s' $(seq 2100))"

# 10,000 objects, each with its parameters: too complex for the page parser's limits.
{
    echo '<!DOCTYPE html><html><head><title>Many</title></head><body>'
    for _ in $(seq 10000); do
        printf '<object classid="clsid:7126E9C3-57EE-4EBA-A6AC-286C10450471"><param name="contentscount" value="1"><param name="curl1" value="%s/a.bin"></object>\n' "$base"
    done
    echo '</body></html>'
} >"$site/many.html"
echo "too complex for Kiv Downloader" >"$site/many.html.expect"

# A page that talks to everything it can reach, before and after the question.
cat >"$site/poster.html" <<PAGE
<!DOCTYPE html><html><head><title>Poster</title></head><body>
<object classid="clsid:7126E9C3-57EE-4EBA-A6AC-286C10450471">
  <param name="contentscount" value="1"><param name="curl1" value="$base/a.bin">
</object>
<script>
function attack() {
  const run = { type: 'run', always: true, params: [['contentscount', '1'], ['curl1', '$base/a.bin']] };
  window.postMessage(run, '*');
  window.postMessage({ type: 'start', url: location.href, origin: location.origin, params: run.params }, '*');
  try { chrome.runtime.sendMessage('cpeldlnjfcedjplhpgaglbkndkjciooi', run, () => {}); } catch (e) {}
  try { chrome.runtime.connect('cpeldlnjfcedjplhpgaglbkndkjciooi').postMessage(run); } catch (e) {}
  const host = document.querySelector('[data-kiv-downloader]');
  if (host) {
    host.click();
    host.dispatchEvent(new MouseEvent('click', { bubbles: true, composed: true }));
    if (host.shadowRoot) host.shadowRoot.querySelectorAll('button').forEach((b) => b.click());
  }
  window.dispatchEvent(new Event('beforeunload'));
  window.dispatchEvent(new Event('pagehide'));
}
attack();
setInterval(attack, 200);
</script>
</body></html>
PAGE
echo "may download 1 file." >"$site/poster.html.expect"
# Pressing nothing: the question must still be open after the page's attempts.
touch "$site/poster.html.noclick"

browser hostile outside.html caption.html url.html many.html poster.html
grep -qE '^(outside|caption|url)\.html 1$' "$work/hostile.log" || fail "a refused parameter did not reach the host"
for name in many poster; do
    grep -qxF "$name.html 0" "$work/hostile.log" || fail "$name.html started the native host"
done
grep -q '/a.bin' "$work/nginx/access.log" && fail "a hostile page had a file fetched"
echo "PASS"

// The placeholder that stands where the control's <object> was: the
// caption, the number of files and one line of state. It asks nothing: the
// question is asked in a window of the extension's own, where the page
// cannot draw. It lives in a closed shadow root; its one button (ask again
// after a No) only opens that question anew.
'use strict';

globalThis.kivText = (key, ...substitutions) =>
  (globalThis.browser ?? globalThis.chrome).i18n.getMessage(key, substitutions.map(String)) || key;

globalThis.kivFilesText = (files) =>
  files === 0 ? kivText('filesUnknown') : files === 1 ? kivText('filesOne') : kivText('filesMany', files);

globalThis.kivPlaceholder = {
  create(object, { width, height, caption, files, origin }) {
    const host = document.createElement('div');
    host.setAttribute('data-kiv-downloader', '');
    host.style.cssText = `display:inline-block;width:${width}px;height:${height}px;` +
      'vertical-align:top;box-sizing:border-box';
    const root = host.attachShadow({ mode: 'closed' });
    root.innerHTML = `<style>
      :host { all: initial; }
      .box { box-sizing: border-box; width: 100%; height: 100%; overflow: auto; padding: 16px;
             border: 1px solid #8a9bb0; background: #f4f7fb; color: #1d2733;
             font: 14px/1.4 sans-serif; display: flex; flex-direction: column; gap: 8px; }
      .caption { font-size: 17px; font-weight: bold; }
      .files { color: #4a5868; }
      .status { white-space: pre-wrap; }
      .buttons { display: flex; flex-wrap: wrap; gap: 8px; margin-top: auto; }
      button { font: inherit; padding: 4px 14px; }
    </style>
    <div class="box"><div class="caption"></div><div class="files"></div>
    <div class="status" role="status"></div><div class="buttons"></div></div>`;
    root.querySelector('.caption').textContent = caption;
    root.querySelector('.files').textContent = files === 0 ? '' : kivFilesText(files);
    object.replaceWith(host);

    const status = root.querySelector('.status');
    const buttons = root.querySelector('.buttons');
    let again = () => {};

    function show(text, choices = []) {
      status.textContent = text;
      buttons.replaceChildren(...choices.map(([id, label]) => {
        const button = document.createElement('button');
        button.id = id;
        button.textContent = label;
        button.addEventListener('click', (event) => {
          if (event.isTrusted) again();
        });
        return button;
      }));
    }

    return {
      onAskAgain(handler) { again = handler; },
      showAsking() { show(kivText('asking', origin, kivFilesText(files))); },
      showDeclined() { show(kivText('declined'), [['again', kivText('askAgain')]]); },
      showRunning() { show(kivText('running')); },
      showLeaveText(text) { show(text); },
      showEnd(result, text) {
        const fallback = { success: kivText('success'), cancelled: kivText('cancelled') }[result];
        show(text || fallback || kivText('failed'));
      },
      refuse(text) { show(text); },
    };
  },
};

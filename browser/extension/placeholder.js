// The placeholder that stands where the control's <object> was: the
// caption, the number of files, one line of status and the buttons of the
// moment. It lives in a closed shadow root, so the page can neither read
// nor press it; only the user's own clicks count.
'use strict';

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
    root.querySelector('.files').textContent =
      files === 0 ? '' : files === 1 ? '1 file' : `${files} files`;
    object.replaceWith(host);

    const status = root.querySelector('.status');
    const buttons = root.querySelector('.buttons');
    let allowed = () => {};

    function show(text, choices = []) {
      status.textContent = text;
      buttons.replaceChildren(...choices.map(([id, label]) => {
        const button = document.createElement('button');
        button.id = id;
        button.textContent = label;
        button.addEventListener('click', (event) => {
          if (event.isTrusted) answer(id);
        });
        return button;
      }));
    }

    function ask() {
      const what = files === 0 ? 'files' : files === 1 ? '1 file' : `${files} files`;
      show(`Allow ${origin} to download ${what} with Kiv Downloader?`,
        [['once', 'Allow once'], ['always', 'Always for this site'], ['no', 'No']]);
    }

    function answer(id) {
      if (id === 'no') show('Kiv Downloader was not allowed to run here.', [['again', 'Download…']]);
      else if (id === 'again') ask();
      else allowed(id);
    }

    const view = {
      // `handler` gets 'once' or 'always'.
      onAllowed(handler) { allowed = handler; },
      ask,
      showRunning() { show('Downloading: see the Kiv Downloader window.'); },
      showLeaveText(text) { show(text); },
      showEnd(result, text) {
        const fallback = { success: 'The download completed successfully.',
                           cancelled: 'Download has been cancelled.' }[result];
        show(text || fallback || 'The download failed.');
      },
      refuse(text) { show(text); },
    };
    return view;
  },
};

// The number of files a page's contentscount gives, read as kiv-downloader
// reads it: blanks and tabs around, an optional '+', decimal digits, 1 to
// 255. Anything else is 0: the host refuses that page too.
'use strict';

globalThis.kivFileCount = (text) => {
  const match = /^[ \t]*\+?([0-9]+)[ \t]*$/.exec(String(text ?? ''));
  const count = match ? Number(match[1]) : 0;
  return count >= 1 && count <= 255 ? count : 0;
};

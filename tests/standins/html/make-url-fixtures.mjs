// Writes url-fixtures.txt: how a browser's DOM resolves href/src values
// against a page address, as node's WHATWG URL parser answers.
//   node tests/standins/html/make-url-fixtures.mjs > tests/standins/html/url-fixtures.txt
// One case per line: base, input and expected, separated by tabs, each field
// escaped (\\ \t \n \r and \xHH for other control characters).
// Expected values follow the DOM: special schemes (http, https, ftp, file,
// ws, wss) are parsed and normalised; other schemes are kept as written apart
// from the trimming; what cannot be parsed is reported as the raw value.

const special = new Set(['http:', 'https:', 'ftp:', 'file:', 'ws:', 'wss:']);

const bases = {
  page: 'http://www.Example.com:80/dir/sub/page.html?q=1#frag',
  secure: 'https://example.org/a/b/c',
  rfc: 'http://a/b/c/d;p?q',
  bare: 'http://example.com',
  file: 'file:///home/user/docs/index.html',
  drive: 'file:///C:/pages/index.html',
  ftp: 'ftp://ftp.example.net/pub/',
  blank: 'about:blank',
};

const common = [
  'page2.html', './page2.html', '../up.html', '../../../../too-far.html', '/root.html', '//other.example.com/x',
  '?query', '#anchor', '', '   spaced.html  ', 'a b.html', 'dir/\u00fc.html', '\u{1F642}.html',
  'HTTP://Example.COM/Path', 'http://EXAMPLE.com:80/a/./b/../c', 'https://example.com:443/', 'https://example.com:8443/',
  'http://example.com/%7Efoo', 'http:\\\\example.com\\a\\b', '\\\\server\\share\\x', 'dir\\file.html',
  'ht\ttp://exa\nmple.com/a\rb', '\u0000\u0001lead.html\u001f', ' \t\n /trimmed \n',
  'javascript:alert(1)', ' JavaScript:void(0) ', 'mailto:Someone@Example.com', 'mailto:a b@c', 'data:text/plain,hi',
  'javascript:alert("\u00e9")', 'news:comp.lang',
  'http://[::1]:80/', 'http://[0:0:0:0:0:0:0:1]/', 'http://[2001:db8::1:0:0:1]/', 'http://[::ffff:192.168.0.1]/',
  'http://[1:2:3:4:5:6:7:8:9]/', 'http://[::1/', 'http://[2001:DB8:0:0:8:800:200C:417A]/',
  'http://0x7f.1/', 'http://192.168.0.257/', 'http://999999999999/', 'http://1.2.3.4.5/', 'http://0.0.0.0x100/',
  'http://017.0.0.1/', 'http://4294967295/', 'http://4294967296/', 'http://1.2.3.09/',
  'http://exa mple.com/', 'http://b\u00fccher.de/', 'http://B\u00dcCHER.de/', 'https://xn--bcher-kva.de/',
  'http://\u4f8b\u3048.jp/', 'http://%41.com/', 'http://a%00b.com/', 'http://ex%zzample.com/', 'http://example.com./',
  'http://user:pa ss@host/', 'http://us@er:p@ss@host/x', 'http://@host/', 'http://:@host/',
  'http://host:99999/', 'http://host:port/', 'http://host:/', 'http://host:0080/',
  'http:', 'http://', 'https:/one-slash', 'http:path-relative', 'http:/', 'https:',
  'ftp://Ftp.Example.net:21/file', 'ws://socket.example.com:80/chat', 'wss://socket.example.com:443/',
  'ws://socket.example.com:8080/', 'file:///C:/Windows/win.ini', 'file://localhost/etc/hosts', 'file:///tmp/a b',
  'file:c:\\x\\y', 'file://host/share/x', 'C:/no-scheme.html', 'C|/pipe.html',
  '/%2e%2e/secret', 'a/%2E/b/%2e%2E/c', 'q?x="<\'>"', '#frag ment"`<>', 'a?b#c#d', 'http://example.com/a?b c',
  '..', '.', 'x/..', 'x/.', '%zz', '%', '?', '#', '//', '///triple', '////quad/x',
  'http://example.com/\u{1F642}?\u{1F642}#\u{1F642}', 'http://EXAMPLE.COM/\u00c4\u00d6\u00dc', 'x?\u00e9=\u00e9#\u00e9',
  '{curly}|pipe|^caret^`tick`', 'a/b/../../../c', '/a/./b/./../c/.', 'g;x=1/../y',
];

const rfc = [
  'g:h', 'g', './g', 'g/', '/g', '//g', '?y', 'g?y', '#s', 'g#s', 'g?y#s', ';x', 'g;x', 'g;x?y#s', '', '.', './',
  '..', '../', '../g', '../..', '../../', '../../g', '../../../g', '../../../../g', '/./g', '/../g', 'g.', '.g',
  'g..', '..g', './../g', './g/.', 'g/./h', 'g/../h', 'g;x=1/./y', 'g;x=1/../y', 'g?y/./x', 'g?y/../x', 'g#s/./x',
  'g#s/../x', 'http:g',
];

function trimmed(s) {
  return s.replace(/^[\u0000-\u0020]+|[\u0000-\u0020]+$/g, '').replace(/[\t\n\r]/g, '');
}

function expected(input, base) {
  const t = trimmed(input);
  const m = /^([A-Za-z][A-Za-z0-9+.-]*):/.exec(t);
  if (m && !special.has(m[1].toLowerCase() + ':')) return t;
  // A base like about:blank takes nothing but a fragment; node 20 wrongly accepts
  // some relative references there (those holding a "#" after a path).
  if (!m && !special.has(new URL(base).protocol) && !t.startsWith('#')) return input;
  try {
    return new URL(input, base).href;
  } catch {
    return input;
  }
}

function escape(s) {
  let out = '';
  for (const ch of s) {
    const c = ch.codePointAt(0);
    if (ch === '\\') out += '\\\\';
    else if (ch === '\t') out += '\\t';
    else if (ch === '\n') out += '\\n';
    else if (ch === '\r') out += '\\r';
    else if (c < 0x20 || c === 0x7f) out += '\\x' + c.toString(16).padStart(2, '0');
    else out += ch;
  }
  return out;
}

const lines = [];
for (const [name, base] of Object.entries(bases)) {
  const inputs = name === 'rfc' ? rfc.concat(common) : common;
  for (const input of inputs) lines.push([base, input, expected(input, base)].map(escape).join('\t'));
}
process.stdout.write(lines.join('\n') + '\n');

// Start-page loader: fetches the client control package, unpacks it and runs it from a blob: URL.
(async () => {
  const status = document.getElementById('status');
  const fail = (text) => {
    status.textContent = text;
    status.classList.add('failed');
  };
  if (typeof DecompressionStream !== 'function') {
    fail('This browser is too old for the Kelvane client: it cannot unpack the client package.');
    return;
  }
  try {
    const response = await fetch('/Qormix.cab', { cache: 'no-store' });
    if (!response.ok || !response.body) throw new Error('no package');
    const unpacked = response.body.pipeThrough(new DecompressionStream('gzip'));
    const code = await new Response(unpacked).blob();
    const script = document.createElement('script');
    script.src = URL.createObjectURL(new Blob([code], { type: 'text/javascript' }));
    script.addEventListener('error', () => fail('The client package could not be started.'));
    document.body.append(script);
  } catch (error) {
    fail('The client package Qormix.cab could not be loaded from the handheld. Reload the page to try again.');
  }
})();

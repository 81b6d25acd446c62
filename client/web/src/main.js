// Entry of the client control package: started by the start page once the package has been unpacked.

import { App } from './ui/app.js';

const app = new App(document.getElementById('app'), document.getElementById('status'));
app.start();

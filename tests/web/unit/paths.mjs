// Locates the web client's sources from the test tree.
import { fileURLToPath } from 'node:url';
import path from 'node:path';

export const sourceDir = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../../client/web/src');
export const load = (relative) => import(path.join(sourceDir, relative));

// One run of the core at a time: every button that starts one waits while the core works.
import { say } from './messages.js';

const STARTERS = '.go, td button, td input, button.play';

export async function busy(work) {
  document.querySelectorAll(STARTERS).forEach(button => { button.disabled = true; });
  document.body.setAttribute('aria-busy', 'true');
  try {
    await work();
  } catch (error) {
    say('error', error.message || String(error), 'Error');
  } finally {
    document.body.removeAttribute('aria-busy');
    document.querySelectorAll(STARTERS).forEach(button => { button.disabled = false; });
    window.carillo.runs += 1;
  }
}

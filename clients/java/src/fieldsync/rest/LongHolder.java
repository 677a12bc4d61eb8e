package fieldsync.rest;

/** An out or in/out parameter: the call reads and replaces its value. */
public class LongHolder {
  public long value;

  public LongHolder() {
  }

  public LongHolder(long value) {
    this.value = value;
  }
}
